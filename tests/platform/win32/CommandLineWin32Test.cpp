// SPDX-License-Identifier: MIT
// Tests of the command line's splitting into arguments, by the C runtime's rules.
#include <gtest/gtest.h>

#include "platform/win32/CommandLine.h"

namespace dirscribe::platform {
namespace {

using Args = std::vector<std::wstring>;

TEST(CommandLineWin32, SplitsAsTheRuntimeDoes) {
    const std::pair<std::wstring, Args> cases[] = {
        {L"prog.exe a  b\tc", {L"prog.exe", L"a", L"b", L"c"}},
        {L"\"C:\\Program Files\\d.exe\" \"two words\" plain",
         {L"C:\\Program Files\\d.exe", L"two words", L"plain"}},
        // Backslashes are themselves unless a quote follows them.
        {L"p C:\\dir\\ \\\\server\\share", {L"p", L"C:\\dir\\", L"\\\\server\\share"}},
        {L"p \"C:\\dir\\\\\" next", {L"p", L"C:\\dir\\", L"next"}},
        {L"p a\\\"b \\\\\\\"c\\\\\\\\\"d e\"", {L"p", L"a\"b", L"\\\"c\\\\d e"}},
        // Quotes may open and close inside an argument; "" within quotes is a quote.
        {L"p a\"b c\"d \"say \"\"hi\"\"\"", {L"p", L"ab cd", L"say \"hi\""}},
        {L"p \"\" x \"\"", {L"p", L"", L"x", L""}},
        {L"p \"unclosed  blanks", {L"p", L"unclosed  blanks"}},
        // The program's name ends at its closing quote; backslashes there are taken as they are.
        {L"\"C:\\a b\\\"x y", {L"C:\\a b\\", L"x", L"y"}},
        {L"p   ", {L"p"}},
        {L"", {L""}},
    };
    for (const auto& [line, args] : cases) {
        EXPECT_EQ(args, win32::SplitCommandLine(line)) << std::string(line.begin(), line.end());
    }
}

}  // namespace
}  // namespace dirscribe::platform
