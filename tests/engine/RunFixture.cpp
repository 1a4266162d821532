// SPDX-License-Identifier: MIT
// Helpers of the run tests: splitting lists and comparing them with expected files.
#include "RunFixture.h"

#include <algorithm>
#include <cstdlib>

namespace dirscribe::test {

namespace {

// Writes {SEP} for the separators of the paths that follow {START} and {DRIVELESS} (up to the
// end of the line or of the quoted field), so that one expected file serves every system.
std::string MarkSeparators(const std::string& text) {
    std::string out;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t start = text.find("{START}", at);
        const std::size_t driveLess = text.find("{DRIVELESS}", at);
        const std::size_t mark = std::min(start, driveLess);
        if (mark == std::string::npos) break;
        const std::size_t from = mark + (mark == start ? 7 : 11);
        std::size_t end = text.find_first_of("\"\r\n", from);
        if (end == std::string::npos) end = text.size();
        out.append(text, at, from - at);
        out += ReplaceAll(text.substr(from, end - from), kSep, "{SEP}");
        at = end;
    }
    out.append(text, at, std::string::npos);
    return out;
}

}  // namespace

std::vector<std::string> WalkFixture::NameLines(const stdfs::path& start, const std::string& mask) {
    auto lines = Lines(ListNew(start, ListFormat::TextNames, mask));
    EXPECT_GE(lines.size(), 6u);
    if (lines.size() < 6) return {};
    return {lines.begin() + 3, lines.end() - 3};
}

std::vector<std::string> Lines(const std::string& list) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < list.size()) {
        const auto end = list.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "the list does not end in CR LF: " << list.substr(start);
            lines.push_back(list.substr(start));
            break;
        }
        const std::string line = list.substr(start, end - start);
        EXPECT_EQ(line.find('\n'), std::string::npos) << "a bare line feed in: " << line;
        lines.push_back(line);
        start = end + 2;
    }
    return lines;
}

void ExpectListMatches(const std::string& list, const std::string& name, const std::string& start,
                       const std::string& driveLess) {
    const stdfs::path file = ExpectedListFile(name);
    if (const char* update = std::getenv("DIRSCRIBE_UPDATE_EXPECTED"); update && *update == '1') {
        // Drive-less paths may equal the full ones: put them back only after "Directory: ".
        WriteFile(file, MarkSeparators(ReplaceAll(
                            ReplaceAll(list, "Directory: " + driveLess, "Directory: {DRIVELESS}"),
                            start, "{START}")));
        return;
    }
    EXPECT_EQ(list, ExpectedList(name, start, driveLess)) << "list differs from " << file;
}

}  // namespace dirscribe::test
