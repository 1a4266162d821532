// SPDX-License-Identifier: MIT
// The lists the run writes, read back: trees of hostile names listed in every format, several
// runs appended to one catalogue, and every file found again with its folder, size and date.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "RunFixture.h"
#include "base/SafeText.h"
#include "base/Utf8.h"
#include "engine/ListReader.h"
#include "platform/OutputFile.h"

namespace dirscribe::test {
namespace {

constexpr bool kPosix = platform::kPathSeparator == '/';

// Names each format must give back. Windows refuses <>:"/\|?* and a final blank or dot.
std::vector<std::string> HostileNames() {
    std::vector<std::string> names = {
        "  leading blanks.txt",
        "Directory",
        std::string(89, '-'),
        "1,234,567 bytes 1",
        "5-17-2003 9.41.07 PM",
        "comma, in it.csv",
        "'apostrophes'",
        "R&B &amp; more.mp3",
        std::string(64, 'a') + "bc.longer than sixty-five",
        std::string(65, 'x'),
        "caf\xC3\xA9 " + std::string(62, 'e') + "\xC3\xA9\xC3\xA9.mp3",
        "no dot",
        "dots.in.the.name.tar.gz",
    };
    if (kPosix) {
        std::vector<std::string> more = {
            "   ",  // blanks alone
            "Volume:    MUSIC01",
            "<DIR> not a folder",
            "trailing blanks  ",
            "quote \"inside\" it",
            "\"",
            "<tr><td>cell<td>",
            "a<b>c",
            "back\\slash",
            "tab\there and\rreturn",
            "bell\a and escape\x1b[31m",
            "\xC3\xA9t\xC3\xA9 \xFF\xFE invalid \x80 bytes",
        };
        // Every byte but NUL and "/", in two names of at most 255 bytes.
        std::string low, high;
        for (int b = 1; b < 128; ++b)
            if (b != '/') low += static_cast<char>(b);
        for (int b = 128; b < 256; ++b) high += static_cast<char>(b);
        more.push_back(low);
        more.push_back(high);
        names.insert(names.end(), more.begin(), more.end());
    }
    return names;
}

// A name as a format writes it, as the reader gives it back.
std::string AsWritten(std::string name, ListFormat format) {
    MaskControls(name);
    if (format == ListFormat::CsvNames || format == ListFormat::HtmlNames) {
        const auto dot = name.rfind('.');
        if (dot != std::string::npos) name.resize(dot);
    }
    if (IsTextFormat(format)) {
        name.resize(LeadingCharacters(name, 65));
        while (!name.empty() && name.back() == ' ') name.pop_back();
        if (name.empty()) name = " ";
    }
    // In the lists' own encoding (the ANSI code page on Windows).
    std::string written;
    platform::AppendListText(name, written);
    return written;
}

struct Found {
    ListFormat format;
    std::string folder, size, date;
};

class ListRoundTripTest : public RunFixture {};

TEST_F(ListRoundTripTest, EveryFileOfHostileNamesIsFoundInEveryFormat) {
    // Each name as a file in the top folder and in a sub-folder of a hostile name; each file
    // has a size of its own.
    const stdfs::path top = tmp / "top";
    const std::vector<std::string> names = HostileNames();
    const std::string subName = kPosix ? "Volume:    sub  " : "Volume    sub";
    const std::int64_t mtime = LocalTime(2004, 1, 2, 8, 5, 0);
    std::map<std::string, std::int64_t> sizeOf;  // by "folder/name"
    std::int64_t size = 7;
    for (const auto& folder : {std::string(), subName}) {
        MakeDir(top / PathOf(folder));
        for (const auto& name : names) {
            size += 1237;  // a size of its own, grouped in thousands from the 2nd
            MakeFile(top / PathOf(folder) / PathOf(name), size, mtime);
            sizeOf[folder + "/" + name] = size;
        }
    }
    const std::string catalogue = Utf8(tmp / "catalogue.txt");
    UseMode(Mode::Append);
    frontEnd.settings.startPath = Utf8(top);
    // Every format, then the text ones again: runs appended after runs of other formats.
    const std::vector<int> runs = {0, 1, 2, 3, 4, 5, 0, 1};
    for (int format : runs) {
        state.OutputFormat = FormatAt(format);
        frontEnd.appendAnswers = {catalogue};
        ASSERT_EQ(run.Command1_Click(), RunOutcome::Completed);
    }

    std::multimap<std::string, Found> found;  // files by format and name as written
    std::vector<std::string> folders;
    std::size_t skipped = 0;
    ListReader reader([&](const ListedEntry& e) {
        const std::string key = std::to_string(IndexOf(e.format)) + "|" + std::string(e.name);
        if (e.isFolder) {
            folders.push_back(key);

        } else {
            found.insert(
                {key, {e.format, std::string(e.folder), std::string(e.size), std::string(e.date)}});
        }
    });
    const std::string text = ReadFile(PathOf(catalogue));
    std::size_t start = 0;
    for (auto end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        try {
            reader.Line(std::string_view(text).substr(start, end - start));
        } catch (const ListReadError& error) {
            ++skipped;
            ADD_FAILURE() << "line " << error.Line() << ": "
                          << std::string_view(text).substr(start, end - start);
        }
        start = end + 1;
    }
    reader.Finish();
    EXPECT_EQ(skipped, 0u);

    const std::string driveLess = DriveLess(top);
    for (int format : runs) {
        const ListFormat f = FormatAt(format);
        const std::size_t times =
            static_cast<std::size_t>(std::count(runs.begin(), runs.end(), format));
        for (const auto& folder : {std::string(), subName}) {
            const std::string folderName = folder.empty() ? "top" : MaskedControls(folder);
            for (const auto& name : names) {
                const std::string key = std::to_string(format) + "|" + AsWritten(name, f);
                std::string where;  // the folder as the format tells it
                if (IsTextFormat(f)) {
                    where = driveLess + (folder.empty() ? "" : folder + kSep);
                } else if (f == ListFormat::Csv) {
                    where = Utf8(top) + kSep + (folder.empty() ? "" : folder + kSep);
                } else if (IsHtmlFormat(f)) {
                    where = folderName;
                }
                const auto [first, last] = found.equal_range(key);
                const std::size_t seen = static_cast<std::size_t>(std::count_if(
                    first, last, [&](const auto& item) { return item.second.folder == where; }));
                // Formats 2 and 4 keep base names alone, which two names may share.
                EXPECT_GE(seen, times) << "format " << format << " " << where << " " << name;
                if (f != ListFormat::Text && f != ListFormat::Csv && f != ListFormat::Html)
                    continue;
                for (auto it = first; it != last; ++it) {
                    if (it->second.folder != where) continue;
                    std::string digits = it->second.size;
                    std::erase(digits, ',');
                    EXPECT_EQ(digits, std::to_string(sizeOf[folder + "/" + name])) << key;
                    EXPECT_EQ(it->second.date, "1/2/2004 8:05:00 AM") << key;
                }
            }
        }
    }
    // The sub-folder, once a run: by its "<DIR> " line or its heading (which counts as a text
    // line in both text formats), and by its HTML heading.
    for (const auto& [format, times] : {std::pair{0, 4}, {4, 1}, {5, 1}}) {
        const std::string key = std::to_string(format) + "|" + MaskedControls(subName);
        EXPECT_EQ(std::count(folders.begin(), folders.end(), key), times) << key;
    }
}

}  // namespace
}  // namespace dirscribe::test
