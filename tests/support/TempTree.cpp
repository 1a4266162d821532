// SPDX-License-Identifier: MIT
// Temporary folder trees for tests: what every system shares.
#include "support/TempTree.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace dirscribe::test {

std::string Utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

fs::path PathOf(std::string_view utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

void MakeDir(const fs::path& path) {
    fs::create_directories(path);
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + Utf8(path));
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const fs::path& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + Utf8(path));
}

void MakeMusicTree(const fs::path& music) {
    MakeDir(music / "Jazz");
    MakeFile(music / "intro.mp3", 4123456, LocalTime(2003, 5, 17, 21, 41, 7));
    MakeFile(music / "notes.txt", 0, LocalTime(2004, 3, 9, 0, 0, 0));
    MakeFile(music / "Jazz" / "blue train.mp3", 10250000, LocalTime(2004, 1, 2, 8, 5, 0));
}

}  // namespace dirscribe::test
