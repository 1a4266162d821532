// SPDX-License-Identifier: MIT
// CommandLine: the C runtime's splitting of a command line, without shell32 (which brings in
// COM and more for a few lines of parsing).
#include "platform/win32/CommandLine.h"

namespace dirscribe::platform::win32 {

namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

}  // namespace

std::vector<std::wstring> SplitCommandLine(std::wstring_view line) {
    std::vector<std::wstring> args;
    std::size_t i = 0;
    std::wstring arg;
    if (i < line.size() && line[i] == L'"') {
        const std::size_t end = line.find(L'"', i + 1);
        arg = line.substr(i + 1, end == std::wstring_view::npos ? end : end - i - 1);
        i = end == std::wstring_view::npos ? line.size() : end + 1;
    } else {
        while (i < line.size() && !IsBlank(line[i])) arg += line[i++];
    }
    args.push_back(arg);
    for (;;) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i >= line.size()) break;
        arg.clear();
        bool quoted = false;
        while (i < line.size() && (quoted || !IsBlank(line[i]))) {
            const wchar_t c = line[i];
            if (c == L'\\') {
                std::size_t count = 0;
                while (i < line.size() && line[i] == L'\\') {
                    ++count;
                    ++i;
                }
                if (i < line.size() && line[i] == L'"') {
                    arg.append(count / 2, L'\\');
                    if (count % 2 == 1) {
                        arg += L'"';
                        ++i;
                    }
                } else {
                    arg.append(count, L'\\');
                }
            } else if (c == L'"') {
                if (quoted && i + 1 < line.size() && line[i + 1] == L'"') {
                    arg += L'"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                arg += c;
                ++i;
            }
        }
        args.push_back(arg);
    }
    return args;
}

}  // namespace dirscribe::platform::win32
