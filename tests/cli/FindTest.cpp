// SPDX-License-Identifier: MIT
// dirscribe-cli --find on a catalogue appended in all six formats: the matches, their volume
// texts, CSV output and the exit statuses.
#include <gtest/gtest.h>

#include <string>

#include "CliFixture.h"

namespace dirscribe::test {
namespace {

TEST_F(CliTest, FindReadsACatalogueOfAllSixFormats) {
    const auto catalogue = tmp / "catalogue.txt";
    for (int f = 0; f < 6; ++f) {
        const Result r = RunCli({"-q", "--label", "MUSIC01", "-D", "Box 3", "-f", std::to_string(f),
                                 "-a", catalogue.string(), music.string()});
        ASSERT_EQ(r.status, 0) << r.err;
    }
    // By mask: the whole name in formats 0, 1, 3 and 5; formats 2 and 4 keep base names only.
    Result r = RunCli({"--find", "BLUE*.MP3", catalogue.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(CountOf(r.out, "blue train.mp3"), 4u) << r.out;
    EXPECT_EQ(CountOf(r.out, "MUSIC01(Box 3): "), 2u) << r.out;  // the text formats' volume
    EXPECT_EQ(CountOf(r.out, "10,250,000 bytes  1/2/2004 8:05:00 AM"), 3u) << r.out;
    EXPECT_EQ(CountOf(r.out, "Jazz" + kSep + "blue train.mp3"), 4u) << r.out;

    // Every format names the file by its base name at least: one match each.
    r = RunCli({"--regex", "--find", "^blue train", catalogue.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(CountOf(r.out, "blue train"), 6u) << r.out;

    // Folders by their headings (text and HTML); CSV with the list and its line.
    r = RunCli({"--find", "jazz", "--format", "csv", catalogue.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')),
              R"("List","Line","Volume","Folder","Name","Kind","Size","Date")" +
                  std::string(kSep == "\\" ? "\r" : ""));
    EXPECT_EQ(CountOf(r.out, R"x(,"MUSIC01(Box 3)",")x"), 2u) << r.out;
    EXPECT_EQ(CountOf(r.out, R"("Jazz","folder")"), 4u) << r.out;

    r = RunCli({"--find", "*.wav", catalogue.string()});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out, "");
}

TEST_F(CliTest, FindNamesAListItCannotRead) {
    // A line no format writes is named and skipped; a list without one good line is no list.
    const auto bad = tmp / "bad.txt";
    WriteFile(bad, "\"intro\"\r\nthis is no list\r\n\"intro\"\r\n");
    Result r = RunCli({"--find", "intro", bad.string()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(CountOf(r.out, "intro"), 2u) << r.out;
    EXPECT_NE(r.err.find(bad.string() + ":2: "), std::string::npos) << r.err;
    WriteFile(bad, "this is no list\r\nnor this\r\n");
    r = RunCli({"--find", "intro", bad.string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("is not a list"), std::string::npos) << r.err;

    r = RunCli({"--find", "*", (tmp / "missing.txt").string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("missing.txt"), std::string::npos) << r.err;

    EXPECT_EQ(RunCli({"--find", "*.mp3"}).status, 2);                       // no list
    EXPECT_EQ(RunCli({"--regex", "--find", "(", bad.string()}).status, 2);  // bad expression
}

TEST_F(CliTest, FindReadsOnPastAHalfLineLeftByAFullDisk) {
    // A run cut off in the middle of a line, then another run appended after it.
    const auto catalogue = tmp / "catalogue.txt";
    for (int f : {3, 0, 2}) {
        ASSERT_EQ(RunCli({"-q", "--label", "DISC" + std::to_string(f), "-f", std::to_string(f),
                          "-a", catalogue.string(), music.string()})
                      .status,
                  0);
        if (f == 3) {
            std::string text = ReadFile(catalogue);
            WriteFile(catalogue, text.substr(0, text.size() - 50));  // in "blue train"
        }
    }
    const Result r = RunCli({"--find", "*", catalogue.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(CountOf(r.out, "DISC0: "), 5u) << r.out;     // the text run, whole
    EXPECT_EQ(CountOf(r.out, "blue train"), 2u) << r.out;  // and the CSV run after it
    EXPECT_EQ(CountOf(r.err, "line skipped"), 1u) << r.err;
}

}  // namespace
}  // namespace dirscribe::test
