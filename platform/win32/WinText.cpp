// SPDX-License-Identifier: MIT
// WinText: UTF-8 and UTF-16 conversions, and paths beyond MAX_PATH.
#include "platform/win32/WinText.h"

#include <windows.h>

#include <climits>

namespace dirscribe::platform::win32 {

std::wstring Wide(std::string_view text) {
    std::wstring wide;
    if (text.empty() || text.size() > INT_MAX) return wide;
    const int size = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    if (needed <= 0) return wide;
    wide.resize(static_cast<std::size_t>(needed));
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), needed);
    return wide;
}

std::string Utf8(std::wstring_view text) {
    std::string utf8;
    if (text.empty() || text.size() > INT_MAX) return utf8;
    const int size = static_cast<int>(text.size());
    const int needed =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return utf8;
    utf8.resize(static_cast<std::size_t>(needed));
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, utf8.data(), needed, nullptr, nullptr);
    return utf8;
}

std::wstring SystemPath(std::string_view path) {
    return SystemPath(Wide(path));
}

bool NeedsVerbatim(std::wstring_view name) {
    if (name.empty() || name == L"." || name == L"..") return false;
    return name.back() == L'.' || name.back() == L' ';
}

std::wstring VerbatimFolder(const std::wstring& folder) {
    if (folder.rfind(L"\\\\?\\", 0) == 0) return folder;
    // The prefix turns off the system's own clean-up of a path ("/" for "\", "." and ".."), so
    // the folder is made absolute and clean first (GetFullPathNameW has no length limit).
    const DWORD needed = GetFullPathNameW(folder.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return folder;
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(folder.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return folder;
    full.resize(length);
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

std::wstring SystemPath(std::wstring folder, std::wstring_view leaf) {
    if (folder.size() + leaf.size() < MAX_PATH || folder.rfind(L"\\\\?\\", 0) == 0) {
        return folder.append(leaf);
    }
    // The leaf is left alone: the clean-up would strip a mask's trailing dot.
    return VerbatimFolder(folder).append(leaf);
}

}  // namespace dirscribe::platform::win32
