// SPDX-License-Identifier: MIT
// Temporary folder trees for tests: made at test time, removed afterwards.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"

namespace dirscribe::test {

// The separator the program puts between folder names, as text.
inline const std::string kSep(1, platform::kPathSeparator);

// A path's text in UTF-8, the form the program's functions take, and a path from such a text.
std::string Utf8(const std::filesystem::path& path);
std::filesystem::path PathOf(std::string_view utf8);

// A fresh folder under the system's temporary folder, removed (with everything in it, after
// making unreadable or protected parts removable again) when the object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string Str() const { return Utf8(path_); }
    // Path of a name inside the folder.
    std::filesystem::path operator/(const std::string& rel) const { return path_ / rel; }

  private:
    std::filesystem::path path_;
};

// Seconds since 1970 of a local date and time (in the process's time zone).
std::int64_t LocalTime(int year, int month, int day, int hour, int minute, int second);

// Makes a folder and its parents.
void MakeDir(const std::filesystem::path& path);
// Makes a file of `size` bytes (no data is written: the file is sparse where the file system
// allows) with the given modification time.
void MakeFile(const std::filesystem::path& path, std::int64_t size, std::int64_t mtime);
// Sets a file's or folder's modification time.
void SetMtime(const std::filesystem::path& path, std::int64_t mtime);
// Reads a whole file.
std::string ReadFile(const std::filesystem::path& path);
// Writes a whole file.
void WriteFile(const std::filesystem::path& path, const std::string& content);

// The Music tree, whose lists in the six formats are the expected music-format*.txt files:
// intro.mp3, Jazz/blue train.mp3 and notes.txt, with fixed sizes and times.
void MakeMusicTree(const std::filesystem::path& music);

}  // namespace dirscribe::test
