// SPDX-License-Identifier: MIT
// ListReader: reads list files of the six formats back into their folders and files, line by
// line, for finding a name in a catalogue. No OS calls: the same on every system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ListFormats.h"

namespace dirscribe {

// One folder or file named by a list. The views are valid during the callback only.
struct ListedEntry {
    // The text after "Volume:    " of the last text heading of the run (label and
    // description); empty in runs of the other formats, which do not carry it.
    std::string_view volume;
    // Where the entry lies, as the list tells it: the drive-less path in the text formats
    // ("\Music\" or "/Music/"), the full folder path in the detailed CSV format, the heading's
    // folder name in the HTML formats, nothing in the CSV names-only format. For a folder, the
    // folder above it (text formats only; empty for an HTML heading).
    std::string_view folder;
    // The name as written: formats 2 and 4 hold base names (no extension), formats 0 and 1
    // cut names after 65 characters.
    std::string_view name;
    bool isFolder = false;
    std::string_view size;  // the size text without its padding; empty when the format has none
    std::string_view date;  // the time stamp text; empty when the format has none
    ListFormat format = ListFormat::Text;  // of the line that named the entry (Text for a heading)
    std::size_t line = 0;                  // its line number, from 1
};

// A line that no format writes.
class ListReadError : public std::runtime_error {
  public:
    ListReadError(std::size_t line, const std::string& reason)
        : std::runtime_error(reason), line_(line) {}
    std::size_t Line() const { return line_; }

  private:
    std::size_t line_;
};

// Reads a list a line at a time. A list may hold runs in several formats one after another
// (appended runs) and a run may change format in the middle: each line is taken by its own
// shape, and the text headings set the volume for what follows until the next run begins.
class ListReader {
  public:
    using Callback = std::function<void(const ListedEntry&)>;

    explicit ListReader(Callback onEntry) : onEntry_(std::move(onEntry)) {}

    // Takes the next line, without its line end (a CR before the LF is taken off here).
    // Throws ListReadError for a line that none of the formats writes.
    void Line(std::string_view line);
    // Ends the list: a heading left incomplete at the end is taken as what it can be. Throws
    // ListReadError when that is no line of any format.
    void Finish();

  private:
    void Take(std::string_view line);
    bool TakeHtml(std::string_view line);
    bool TakeCsv(std::string_view line);
    // With `detailsOnly` only a line of format 0 (with size and time stamp) is taken.
    bool TakeTextFile(std::string_view line, bool detailsOnly = false);
    void Heading(std::string_view path);
    void Emit(ListedEntry& entry);
    void NewRun();
    bool TakeSubFolder(std::string_view line);

    Callback onEntry_;
    std::size_t lineNo_ = 0;
    bool previousEmpty_ = false;
    bool volumePending_ = false;  // the previous line may have begun a text heading
    std::size_t pendingLineNo_ = 0;
    std::string pendingLine_;
    std::string volume_;
    std::string htmlFolder_;
    std::string name_;  // unescaped name
    std::string path_;  // the folder of the last text heading
    std::string csvPath_;
    std::string sizeText_;
    // Where the line stands in a text block: right after a heading, or among the "<DIR> "
    // lines that may follow it.
    enum class TextPlace : std::uint8_t { Other, Heading, SubFolders };
    TextPlace place_ = TextPlace::Other;
    // The folders on the way down to the last text heading, each with the sub-folders its
    // "<DIR> " lines named: such a sub-folder's own heading names it again and is passed over.
    struct NamedFolder {
        std::string path;
        std::vector<std::string> subFolders;
    };
    std::vector<NamedFolder> named_;
};

}  // namespace dirscribe
