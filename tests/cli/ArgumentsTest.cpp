// SPDX-License-Identifier: MIT
// ParseArguments on command lines good and bad: the fields each good one sets, and each usage
// error's message and status.
#include "cli/Arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "platform/FileSystem.h"

namespace dirscribe::test {
namespace {

using cli::Arguments;
using cli::Command;
using cli::UsageError;

const std::string kSep(1, platform::kPathSeparator);

struct Bad {
    std::vector<std::string> args;
    std::string message;
};

TEST(ArgumentsTest, EachUsageErrorHasItsMessageAndStatusTwo) {
    const std::vector<Bad> cases = {
        {{}, "no start folder given"},
        {{"--bogus", "m"}, "unknown option '--bogus'"},
        {{"-f"}, "option -f needs a format"},
        {{"--format", "6", "m"}, "unknown format '6'"},
        {{"-f", "Text", "m"}, "unknown format 'Text'"},
        {{"--find"}, "option --find needs a pattern"},
        {{"--find", "", "l"}, "option --find needs a pattern"},
        {{"--find", "*.mp3"}, "--find needs at least one list file"},
        {{"--each-disc", ""}, "option --each-disc needs a drive"},
        {{"--each-disc", "d", "--discs", "0"}, "option --discs needs a number of discs, 1 or more"},
        {{"--each-disc", "d", "--discs", "-1"},
         "option --discs needs a number of discs, 1 or more"},
        {{"--each-disc", "d", "--discs", "1x"},
         "option --discs needs a number of discs, 1 or more"},
        {{"--each-disc", "d", "--discs", "1000000"},
         "option --discs needs a number of discs, 1 or more"},
        {{"--each-disc", "d", "--discs"}, "option --discs needs a number of discs, 1 or more"},
        {{"-m"}, "option -m needs a mask"},
        {{"--description"}, "option --description needs a text"},
        {{"-D", "a\nVolume: b", "m"}, "option -D holds a control character"},
        {{"--label", "\x1b[2J", "m"}, "option --label holds a control character"},
        {{"--label"}, "option --label needs a text"},
        {{"-n", "x", "--new", "y", "m"}, "--new may be given only once"},
        {{"--append", "x", "-a", "y", "m"}, "--append may be given only once"},
        {{"-a", "", "m"}, "option -a needs a file name"},
        {{"--new"}, "option --new needs a file name"},
        {{"--regex", "m"}, "--regex goes with --find"},
        {{"--discs", "2", "m"}, "--discs and --ask-description go with --each-disc"},
        {{"--ask-description", "m"}, "--discs and --ask-description go with --each-disc"},
        {{"--each-disc", "d", "m"}, "--each-disc lists discs, not a start folder"},
        {{"--each-disc", "d", "--label", "L"}, "--each-disc takes each disc's own label"},
        {{"m", "n"}, "only one start folder may be given"},
        {{"-m", "a/b", "m"}, "bad mask 'a/b': a mask names files, not folders"},
        {{"-m", "a" + kSep + "b", "m"},
         "bad mask 'a" + kSep + "b': a mask names files, not folders"},
        {{"-a", "-", "m"}, "cannot append to standard output"},
        {{"-n", "x", "-a", "x", "m"}, "the new list and the append file must differ"},
        // After "--" an option is a start folder: two of them.
        {{"--", "--help", "m"}, "only one start folder may be given"},
        // The first mistake is the one named.
        {{"--bogus", "-f", "9"}, "unknown option '--bogus'"},
    };
    for (const Bad& c : cases) {
        const auto parsed = cli::ParseArguments(c.args);
        const auto* error = std::get_if<UsageError>(&parsed);
        ASSERT_NE(error, nullptr) << c.message;
        EXPECT_EQ(error->message, c.message);
        EXPECT_EQ(error->status, 2) << c.message;
    }
}

Arguments Parsed(const std::vector<std::string>& args) {
    auto parsed = cli::ParseArguments(args);
    if (auto* error = std::get_if<UsageError>(&parsed)) {
        ADD_FAILURE() << error->message;
        return {};
    }
    return std::get<Arguments>(std::move(parsed));
}

TEST(ArgumentsTest, GoodCommandLinesSetTheirFields) {
    const Arguments plain = Parsed({"Music"});
    EXPECT_EQ(plain.command, Command::List);
    EXPECT_EQ(plain.options.startFolder, "Music");
    EXPECT_EQ(plain.options.format, ListFormat::Text);
    EXPECT_EQ(plain.options.mask, "*.*");
    EXPECT_FALSE(plain.options.dirsOnly || plain.options.overwrite || plain.options.eject ||
                 plain.options.quiet || plain.options.label.has_value());

    const Arguments all =
        Parsed({"-f", "4", "-m", "*.mp3", "-d", "-D", "box 1", "-n", "new.htm", "--append",
                "all.htm", "-y", "--label", "", "--eject", "-q", "--", "-"});
    EXPECT_EQ(all.command, Command::List);
    EXPECT_EQ(all.options.startFolder, "-");
    EXPECT_EQ(all.options.format, ListFormat::HtmlNames);
    EXPECT_EQ(all.options.mask, "*.mp3");
    EXPECT_EQ(all.options.description, "box 1");
    EXPECT_EQ(all.options.newList, "new.htm");
    EXPECT_EQ(all.options.append, "all.htm");
    EXPECT_EQ(all.options.label, std::string());
    EXPECT_TRUE(all.options.dirsOnly && all.options.overwrite && all.options.eject &&
                all.options.quiet);
    // Each format by name, as by number.
    for (int i = 0; i < kFormatCount; ++i) {
        EXPECT_EQ(Parsed({"--format", std::string(kFormats[i].cliName), "m"}).options.format,
                  kFormats[i].format);
        EXPECT_EQ(Parsed({"-f", std::to_string(i), "m"}).options.format, kFormats[i].format);
    }

    const Arguments discs = Parsed(
        {"--each-disc", "/dev/sr0", "--discs", "999999", "--ask-description", "-a", "cat.txt"});
    EXPECT_EQ(discs.command, Command::EachDisc);
    EXPECT_EQ(discs.drive, "/dev/sr0");
    EXPECT_EQ(discs.loop.discs, 999999);
    EXPECT_TRUE(discs.loop.askDescription);
    EXPECT_EQ(discs.options.append, "cat.txt");
    EXPECT_EQ(Parsed({"--each-disc", "D:"}).loop.discs, 0);

    // --find takes every operand as a list; only a CSV format gives CSV rows.
    const Arguments find = Parsed({"--find", "a.*", "--regex", "-f", "csv", "one.txt", "-"});
    EXPECT_EQ(find.command, Command::Find);
    EXPECT_EQ(find.find.pattern, "a.*");
    EXPECT_TRUE(find.find.regex);
    EXPECT_TRUE(find.find.csv);
    EXPECT_EQ(find.find.lists, (std::vector<std::string>{"one.txt", "-"}));
    EXPECT_TRUE(Parsed({"--find", "x", "-f", "csv-names", "l"}).find.csv);
    EXPECT_FALSE(Parsed({"--find", "x", "-f", "html", "l"}).find.csv);
    EXPECT_FALSE(Parsed({"--find", "x", "l"}).find.csv);

    // --help and --version end the reading: what follows is not looked at.
    EXPECT_EQ(Parsed({"--help", "--bogus"}).command, Command::Help);
    EXPECT_EQ(Parsed({"-q", "--version", "-f"}).command, Command::Version);
}

}  // namespace
}  // namespace dirscribe::test
