// DirIO: the directory walker and the line writer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/FrontEnd.h"
#include "engine/ListFiles.h"
#include "engine/ListFormats.h"
#include "engine/RunOptions.h"
#include "engine/SharedState.h"
#include "platform/FileSystem.h"
#include "platform/Regional.h"

namespace dirscribe {

class DirIO {
  public:
    DirIO(SharedState& state, FrontEnd& frontEnd, ListFiles& files,
          platform::FileSystem& fileSystem, platform::RegionalSettings regional);

    // Writes one line to the file or files that `options` selects: the new list (RunNewList),
    // else the append file (RunAppend), else both, new list first (RunBoth), else nowhere.
    // Throws Failure when the line cannot be written.
    void WriteListLine(std::string_view text, FileNumber& newListNo, FileNumber& appendNo,
                       RunOptions& options);

    // Walks the folder and everything below it depth first, writing a heading per folder, its
    // sub-folder lines (format 0), its file lines, then each sub-folder in full. Appends the
    // separator to `folderPath` when it lacks one. Returns when the tree is done or after a
    // sub-folder walk that found StopRequested set. No failure leaves it.
    void ListDirectory(std::string& folderPath, const std::string& mask, FileNumber& newListNo,
                       FileNumber& appendNo, const std::string& volumeText, RunOptions& options);

  private:
    struct Walk;
    enum class Outcome { Done, Skip, Abort };

    void WalkFolder(Walk& walk, const std::string& folderPath, const platform::FolderTexts& texts,
                    platform::Folder* parent, std::string_view nameInParent);
    template <class Op>
    Outcome Guard(Op&& op, const std::string& folderPath, std::string_view entryName);
    AbortRetryIgnore Report(const Failure& failure, const std::string& folderPath,
                            std::string_view entryName);
    Outcome WriteLine(Walk& walk, std::string_view text, const std::string& folderPath,
                      std::string_view entryName);
    void BuildFileLine(ListFormat format, const std::string& folderPath, std::string_view name,
                       const platform::FileDetails& details);

    SharedState& state_;
    FrontEnd& frontEnd_;
    ListFiles& files_;
    platform::FileSystem& fileSystem_;
    FieldFormatter formatter_;
    platform::LocalClock clock_;
    std::string line_;  // the line being built, reused for every file
    std::string sizeText_;
};

}  // namespace dirscribe
