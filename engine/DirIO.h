// SPDX-License-Identifier: MIT
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
    // sub-folder walk that found StopRequested set. No failure leaves it. The folders being
    // walked are kept on a stack of their own, not the machine's, so any depth the file system
    // allows is walked, in memory that grows with the depth and the path's length.
    void ListDirectory(std::string& folderPath, const std::string& mask, FileNumber& newListNo,
                       FileNumber& appendNo, const std::string& volumeText, RunOptions& options);

  private:
    struct Walk;
    struct Frame;
    enum class Outcome { Done, Skip, Abort };

    // Writes the heading of the folder at walk.path and reads it: its sub-folders into
    // `frame`, its files into the list. `parent` is null for the start folder. False when the
    // folder was given up on (Abort): none of its sub-folders is walked then.
    bool ReadFolder(Walk& walk, Frame& frame, platform::Folder* parent, std::string_view name);
    // The parts of ReadFolder, in order; each returns false when the folder was given up on.
    // The heading of the folder at `folderPath` (`name` in `parent`; the start folder when null).
    bool WriteHeading(Walk& walk, std::string_view folderPath, const platform::Folder* parent,
                      std::string_view name);
    // The first pass: the sub-folders into frame.subFolders, and in format 0 a line for each.
    bool ReadSubFolders(Walk& walk, Frame& frame, std::string_view folderPath);
    // The second pass: the files matching the mask, a line each.
    bool ReadFiles(Walk& walk, platform::Folder& folder, std::string_view folderPath);
    // One pass over a folder's listing: `begin` starts it, `next` gives each entry (false at the
    // end) to `take`, which may give up (Abort). A failure in the middle of the listing asks:
    // Ignore ends the pass with what was read, Retry calls `restart` (which forgets what was
    // taken) and reads the folder again from its start.
    template <class Begin, class Next, class Take, class Restart>
    Outcome ReadPass(std::string_view folderPath, Begin&& begin, Next&& next, Take&& take,
                     Restart&& restart);
    template <class Op>
    Outcome Guard(Op&& op, std::string_view folderPath, std::string_view entryName);
    AbortRetryIgnore Report(const Failure& failure, std::string_view folderPath,
                            std::string_view entryName);
    Outcome WriteLine(Walk& walk, std::string_view text, std::string_view folderPath,
                      std::string_view entryName);
    void BuildFileLine(ListFormat format, std::string_view folderPath, std::string_view name,
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
