// CliFixture: the worked example's tree, and dirscribe-cli run on it as a script runs it.
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

class CliTest : public ::testing::Test {
  protected:
    CliTest() { MakeMusicTree(music); }
    TempDir tmp;
    const std::filesystem::path music = tmp / "Music";
};

}  // namespace dirscribe::test
