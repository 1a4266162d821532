// SPDX-License-Identifier: MIT
// CliFixture: the Music tree, and dirscribe-cli run on it as a script runs it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/ExpectedList.h"
#include "support/Process.h"
#include "support/TempTree.h"

namespace dirscribe::test {

using Result = ProgramResult;

// A full pipe on every system: the program has written this much and waits for a reader.
inline constexpr std::size_t kFullPipe = 60000;

inline Result RunCli(const std::vector<std::string>& args) {
    return RunProgram(DIRSCRIBE_CLI, args);
}

// How many times `what` stands in `text` (overlaps counted).
inline std::size_t CountOf(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

class CliTest : public ::testing::Test {
  protected:
    CliTest() { MakeMusicTree(music); }
    // Forty folders of 400 files below tmp/big: far more than a pipe and the list buffer
    // hold, so a run is still walking when its output pipe fills.
    std::filesystem::path MakeBigTree() const {
        const auto big = tmp / "big";
        for (int d = 0; d < 40; ++d) {
            const auto dir = big / ("d" + std::to_string(100 + d));
            MakeDir(dir);
            for (int f = 0; f < 400; ++f)
                MakeFile(dir / ("file" + std::to_string(f) + ".dat"), f, 0);
        }
        return big;
    }
    TempDir tmp;
    const std::filesystem::path music = tmp / "Music";
};

}  // namespace dirscribe::test
