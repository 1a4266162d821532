// Temporary folder trees for tests: made at test time, removed afterwards.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>

namespace dirscribe::test {

// A fresh folder under the system's temporary folder, removed (with everything in it, after
// making unreadable parts readable again) when the object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string Str() const { return path_.string(); }
    // Path of a name inside the folder.
    std::filesystem::path operator/(const std::string& rel) const { return path_ / rel; }

  private:
    std::filesystem::path path_;
};

// Seconds since 1970 of a local date and time (in the process's time zone).
std::int64_t LocalTime(int year, int month, int day, int hour, int minute, int second);

// Makes a folder and its parents.
void MakeDir(const std::filesystem::path& path);
// Makes a file of `size` bytes (sparse: no data is written) with the given modification time.
void MakeFile(const std::filesystem::path& path, std::int64_t size, std::int64_t mtime);
// Sets a file's or folder's modification time.
void SetMtime(const std::filesystem::path& path, std::int64_t mtime);
// Reads a whole file.
std::string ReadFile(const std::filesystem::path& path);
// Writes a whole file.
void WriteFile(const std::filesystem::path& path, const std::string& content);

// The tree of the worked example: Music with intro.mp3, Jazz/blue train.mp3 and notes.txt,
// with their sizes and times.
void MakeMusicTree(const std::filesystem::path& music);

// Runs `fn` in a child process without root's rights to the file system (as "nobody" when the
// tests run as root), so that permission tests mean the same as for a user. Returns the
// child's exit status; `fn` returns the status to exit with.
int RunUnprivileged(int (*fn)(void*), void* arg);

}  // namespace dirscribe::test
