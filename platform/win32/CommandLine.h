// SPDX-License-Identifier: MIT
// CommandLine: a Windows command line split into arguments, as the C runtime splits it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dirscribe::platform::win32 {

// Splits a command line (GetCommandLineW) by the C runtime's rules: the program's name runs to
// the first blank or, when it begins with a quote, to the next quote; every other argument ends
// at a blank outside quotes; 2n backslashes before a quote are n backslashes and the quote
// opens or closes quoting, 2n+1 are n backslashes and a quote; other backslashes are
// themselves; "" inside quotes is a quote.
std::vector<std::wstring> SplitCommandLine(std::wstring_view line);

}  // namespace dirscribe::platform::win32
