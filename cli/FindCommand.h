// SPDX-License-Identifier: MIT
// FindCommand: dirscribe-cli --find, the files and folders of list files whose names match.
#pragma once

#include <string>
#include <vector>

namespace dirscribe::cli {

struct FindOptions {
    std::string pattern;  // a mask, or a regular expression with `regex`
    bool regex = false;
    bool csv = false;                // the matches as CSV rows rather than lines for reading
    std::vector<std::string> lists;  // the list files to read
};

// Exit statuses of --find, as grep has them.
inline constexpr int kFindMatched = 0;
inline constexpr int kFindNoMatch = 1;
inline constexpr int kFindUnreadable = 2;

// Reads the lists one after the other and writes every match to standard output ("-" reads a
// list from standard input). A line of a list that no format writes is named on standard
// error (list and line) and skipped; a list that cannot be read at all, or not to its end, is
// named and the others are still read. Returns kFindUnreadable after any such list, a bad
// expression or a failed write of the matches; else kFindMatched or kFindNoMatch; Ctrl-C ends
// the search with the status of the signal.
int RunFind(const FindOptions& options);

}  // namespace dirscribe::cli
