// SPDX-License-Identifier: MIT
// ListReader: the six formats read back, appended one after another, with their odd names,
// format changes in the middle of a run, and lines no format writes.
#include "engine/ListReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ExpectedList.h"

namespace dirscribe {
namespace {

// The expected list of a format as written of D:\Music on Windows, on every system.
std::string ExpectedList(int format) {
    return test::ExpectedList("music-format" + std::to_string(format) + ".txt", "D:\\Music\\",
                              "\\Music\\", "\\");
}

// Every entry as "format|volume|folder|name|size|date", a folder's name ending in "/".
std::vector<std::string> ReadAll(const std::string& list) {
    std::vector<std::string> seen;
    ListReader reader([&](const ListedEntry& e) {
        seen.push_back(std::to_string(IndexOf(e.format)) + "|" + std::string(e.volume) + "|" +
                       std::string(e.folder) + "|" + std::string(e.name) + (e.isFolder ? "/" : "") +
                       "|" + std::string(e.size) + "|" + std::string(e.date));
    });
    std::size_t start = 0;
    for (auto end = list.find('\n'); end != std::string::npos; end = list.find('\n', start)) {
        reader.Line(std::string_view(list).substr(start, end - start));
        start = end + 1;
    }
    if (start < list.size()) reader.Line(std::string_view(list).substr(start));
    reader.Finish();
    return seen;
}

std::string WithoutCr(std::string s) {
    std::erase(s, '\r');
    return s;
}

TEST(ListReaderTest, SixFormatsAppendedGiveTheirEntriesWithCrLfOrLf) {
    std::string catalogue;
    for (int format = 0; format < 6; ++format) catalogue += ExpectedList(format);
    const std::vector<std::string> expected = {
        // Text: the volume of the headings, the drive-less folder, folders by their headings.
        // Format 0 names a sub-folder on its "<DIR> " line, and its heading not again.
        "0|MUSIC01|\\|Music/||",
        "0|MUSIC01|\\Music\\|Jazz/||",
        "0|MUSIC01|\\Music\\|intro.mp3|4,123,456|5/17/2003 9:41:07 PM",
        "0|MUSIC01|\\Music\\|notes.txt|0|3/9/2004",
        "0|MUSIC01|\\Music\\Jazz\\|blue train.mp3|10,250,000|1/2/2004 8:05:00 AM",
        "0|MUSIC01|\\|Music/||",
        "1|MUSIC01|\\Music\\|intro.mp3||",
        "1|MUSIC01|\\Music\\|notes.txt||",
        "0|MUSIC01|\\Music\\|Jazz/||",
        "1|MUSIC01|\\Music\\Jazz\\|blue train.mp3||",
        // CSV and HTML carry no volume: the text run's footer ended it.
        "2|||intro||",
        "2|||notes||",
        "2|||blue train||",
        "3||D:\\Music\\|intro.mp3|4,123,456|5/17/2003 9:41:07 PM",
        "3||D:\\Music\\|notes.txt|0|3/9/2004",
        "3||D:\\Music\\Jazz\\|blue train.mp3|10,250,000|1/2/2004 8:05:00 AM",
        "4|||Music/||",
        "4||Music|intro||",
        "4||Music|notes||",
        "4|||Jazz/||",
        "4||Jazz|blue train||",
        "5|||Music/||",
        "5||Music|intro.mp3|4,123,456|5/17/2003 9:41:07 PM",
        "5||Music|notes.txt|0|3/9/2004",
        "5|||Jazz/||",
        "5||Jazz|blue train.mp3|10,250,000|1/2/2004 8:05:00 AM",
    };
    EXPECT_EQ(ReadAll(catalogue), expected);
    EXPECT_EQ(ReadAll(WithoutCr(catalogue)), expected);
}

TEST(ListReaderTest, OddNamesComeBackAsTheyWere) {
    const std::string pad60(60, 'x');
    const std::string list =
        // A file named like a heading line, right after a heading; a long name cut at 65
        // characters counted as characters; a sub-folder named by its "<DIR> " line.
        "\r\nVolume:    CD (Box 3, disc 7)\r\nDirectory: /a/\r\n\r\n<DIR> b\r\n\r\n"
        "Volume:    x" +
        std::string(53, ' ') + "\r\n" + "\xC3\xA9" + pad60 + "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9" +
        "      1,234,567 bytes 1/1/2000\r\n" +
        // CSV with doubled quotes; HTML entities and a bare "&".
        "\"/m/a/\",\"say \"\"hi\"\".txt\",\"               5\",1/1/2000 1:00:00 AM\r\n"
        "\"\"\"q\"\"\"\r\n"
        "<tr><td bgcolor=#3399FF><b>A&amp;B&lt;c&gt;</b></td></tr>\r\n"
        "<tr><td>R&B & x&lt;y</td></tr>\r\n";
    const std::vector<std::string> expected = {
        "0|CD (Box 3, disc 7)|/|a/||",
        "0|CD (Box 3, disc 7)|/a/|b/||",
        "1|CD (Box 3, disc 7)|/a/|Volume:    x||",
        "0|CD (Box 3, disc 7)|/a/|\xC3\xA9" + pad60 +
            "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9|1,234,567|1/1/2000",
        "3|CD (Box 3, disc 7)|/m/a/|say \"hi\".txt|5|1/1/2000 1:00:00 AM",
        "2|CD (Box 3, disc 7)||\"q\"||",
        "4|CD (Box 3, disc 7)||A&B<c>/||",
        "4|CD (Box 3, disc 7)|A&B<c>|R&B & x<y||",
    };
    EXPECT_EQ(ReadAll(list), expected);
}

TEST(ListReaderTest, LinesOfNoFormatAreRefusedWithTheirNumber) {
    const std::string heading = "\r\nVolume:    V\r\nDirectory: \\\r\n\r\n";
    const struct {
        std::string list;
        std::size_t line;
    } cases[] = {
        {"garbage\r\n", 1},
        {heading + "short name\r\n", 5},
        {heading + std::string(65, 'n') + " bytes 1/1/2000\r\n", 5},  // no size
        {"\"unterminated\r\n", 1},
        {"\"a\",\"b\"\r\n", 1},
        {"<tr><td>a</td><td align=right>big</td><td align=right>1/1/2000</td></tr>\r\n", 1},
        {"<tr><td bgcolor=#3399FF><b>x</b></td><td>\r\n", 1},
    };
    for (const auto& c : cases) {
        try {
            ReadAll(c.list);
            ADD_FAILURE() << "accepted: " << c.list;
        } catch (const ListReadError& error) {
            EXPECT_EQ(error.Line(), c.line) << c.list;
        }
    }
}

TEST(ListReaderTest, AVolumeLineWithoutItsHeadingIsRefusedAndTheNextLineStillTaken) {
    // Cut off by a full disk after the volume line: that line is refused, the rest is read.
    std::vector<std::string> seen;
    ListReader reader([&](const ListedEntry& e) { seen.emplace_back(e.name); });
    reader.Line("");
    reader.Line("Volume:    V");
    try {
        reader.Line("\"next\"");
        ADD_FAILURE() << "the volume line was taken";
    } catch (const ListReadError& error) {
        EXPECT_EQ(error.Line(), 2u);
    }
    EXPECT_EQ(seen, std::vector<std::string>{"next"});
    reader.Line("");
    reader.Line("Volume:    W");
    EXPECT_THROW(reader.Finish(), ListReadError);
}

TEST(ListReaderTest, AFormatChangeInTheMiddleKeepsTheRunsVolume) {
    // Text headings, then CSV rows of the same run; the text footer ends the run.
    const std::string list = "\r\n\r\n" + std::string(89, '-') +
                             "\r\n\r\nVolume:    DISC\r\nDirectory: /\r\n\r\n\"x\"\r\n\r\n\r\n" +
                             std::string(89, '-') + "\r\n\"y\"\r\n";
    EXPECT_EQ(ReadAll(list), (std::vector<std::string>{"2|DISC||x||", "2|||y||"}));
}

}  // namespace
}  // namespace dirscribe
