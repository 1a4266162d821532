// SPDX-License-Identifier: MIT
// ListSearch: finding names in list files of any of the six formats, for dirscribe-cli --find
// and the Find window alike: the lists are read a block at a time, split into lines, read back
// by ListReader, and each entry whose name matches goes to a sink.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ListReader.h"
#include "platform/NamePattern.h"

namespace dirscribe::catalogue {

// The pattern of a search: a file mask (as the listing's mask) or a regular expression
// searched in the name, letters without regard to case. Throws platform::PatternError.
std::unique_ptr<platform::NamePattern> MakeSearchPattern(std::string_view pattern, bool regex);

// What a search tells as it reads, on the thread that searches.
class SearchSink {
  public:
    virtual ~SearchSink() = default;
    // An entry of lists[list] whose name matches. The entry's views last for the call only.
    virtual void Matched(std::size_t list, const ListedEntry& entry) = 0;
    // A line of lists[list] that no format writes (a line cut short by a full disk, say): it
    // is passed over and the reading goes on at the next line.
    virtual void LineSkipped(std::size_t list, std::size_t line, std::string_view reason) = 0;
    // lists[list] could not be read, or not to its end: `reason` names the file and says why.
    virtual void ListFailed(std::size_t list, std::string_view reason) = 0;
    // Asked between blocks of a list; true ends the search there.
    virtual bool Cancelled() { return false; }
};

struct SearchTotals {
    std::size_t matches = 0;
    std::size_t lines = 0;         // lines read, of every list
    std::size_t listsRead = 0;     // lists read to their end
    std::size_t listsFailed = 0;   // lists that could not be read (wholly or to their end)
    std::size_t linesSkipped = 0;  // lines no format writes
    bool cancelled = false;
};

// A line longer than this is in no list the program writes (it would take a folder path of
// 256,000 folders of the longest names): the file is taken for something else than a list.
inline constexpr std::size_t kLongestListLine = std::size_t{64} << 20;

// Reads the lists one after the other (a list that cannot be read does not keep the others
// from being read) and gives every matching entry to the sink. A list whose lines are all
// unreadable is not a list and fails. Memory stays bounded whatever the files hold.
SearchTotals SearchLists(const platform::NamePattern& pattern,
                         const std::vector<std::string>& lists, SearchSink& sink);

// The matches as text. Control characters (which the lists never hold, as the program writes
// them) are written as "?".
// The CSV header row: "List","Line","Volume","Folder","Name","Kind","Size","Date".
void AppendMatchCsvHeader(std::string& out);
// One match as a CSV row of those columns, without a line end.
void AppendMatchCsv(std::string& out, std::string_view list, const ListedEntry& entry);
// One match as a line for reading, without a line end: "[LIST:]LINE: [VOLUME: ]FOLDER/NAME
// [  SIZE bytes][  DATE]", a folder's name ending in its separator.
void AppendMatchText(std::string& out, std::string_view list, const ListedEntry& entry);

}  // namespace dirscribe::catalogue
