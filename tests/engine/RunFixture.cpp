// Helpers of the run tests: splitting lists and comparing them with expected files.
#include "RunFixture.h"

#include <cstdlib>

namespace dirscribe::test {

namespace {

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    if (from.empty()) return text;
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

}  // namespace

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
    const stdfs::path file = stdfs::path(DIRSCRIBE_EXPECTED_DIR) / name;
    if (const char* update = std::getenv("DIRSCRIBE_UPDATE_EXPECTED"); update && *update == '1') {
        // Drive-less paths may equal the full ones: put them back only after "Directory: ".
        WriteFile(file,
                  ReplaceAll(ReplaceAll(list, "Directory: " + driveLess, "Directory: {DRIVELESS}"),
                             start, "{START}"));
        return;
    }
    const std::string expected =
        ReplaceAll(ReplaceAll(ReadFile(file), "{START}", start), "{DRIVELESS}", driveLess);
    EXPECT_EQ(list, expected) << "list differs from " << file;
}

}  // namespace dirscribe::test
