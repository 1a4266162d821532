// SPDX-License-Identifier: MIT
// WinTree: Windows-only helpers of the tests: attributes, paths beyond MAX_PATH, UTF-16 names.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace dirscribe::test {

// File attributes, for tests that keep <windows.h> away from the engine's headers (it defines
// a Yield macro).
enum Attribute : std::uint32_t {
    kReadOnly = 0x1,
    kHidden = 0x2,
    kSystem = 0x4,
    kArchive = 0x20,
    kNormal = 0x80,
};

// The longest path the Win32 file functions take without the "\\?\" prefix.
inline constexpr std::size_t kMaxPath = 260;

// The ANSI code page list files are written in.
unsigned AnsiCodePage();

// The path as the Win32 file functions take it whatever its length ("\\?\" before a long one).
std::wstring SystemPathOf(const std::filesystem::path& path);

// Sets the attributes of a file or folder (FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM, ...).
void SetAttributes(const std::filesystem::path& path, std::uint32_t attributes);

// Makes one folder; its path may be longer than MAX_PATH.
void MakeOneDir(const std::filesystem::path& path);
// A folder or an empty file whose name ends in "." or " " (made through the "\\?\" form,
// which keeps such names).
void MakeVerbatimDir(const std::filesystem::path& path);
void MakeVerbatimFile(const std::filesystem::path& path);
// A link at `link` to the folder `target`: a Windows folder link where the system makes one,
// else, under Wine, a Unix symbolic link (which Wine shows as a plain folder). False when
// neither can be made.
bool MakeFolderLink(const std::filesystem::path& link, const std::filesystem::path& target);

// Removes a folder and everything in it, hidden, read-only and long-named entries included.
void RemoveTreeAt(const std::filesystem::path& path);

// UTF-16 text as UTF-8 and back, for names outside the ANSI code page.
std::string Utf8Of(std::wstring_view text);
std::wstring WideOf(std::string_view text);

}  // namespace dirscribe::test
