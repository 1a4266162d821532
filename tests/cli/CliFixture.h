// CliFixture: the worked example's tree, and dirscribe-cli run on it as a script runs it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/Process.h"
#include "support/TempTree.h"

namespace dirscribe::test {

using Result = ProgramResult;

// A full pipe on every system: the program has written this much and waits for a reader.
inline constexpr std::size_t kFullPipe = 60000;

inline Result RunCli(const std::vector<std::string>& args) {
    return RunProgram(DIRSCRIBE_CLI, args);
}

// An expected list of tests/engine/expected with {START}, {DRIVELESS} and {SEP} put in.
inline std::string Expected(const std::string& name, const std::string& start,
                            const std::string& driveLess) {
    std::string text = ReadFile(std::filesystem::path(DIRSCRIBE_EXPECTED_DIR) / name);
    auto replace = [&](const std::string& from, const std::string& to) {
        for (auto at = text.find(from); at != std::string::npos;
             at = text.find(from, at + to.size())) {
            text.replace(at, from.size(), to);
        }
    };
    replace("{START}", start);
    replace("{DRIVELESS}", driveLess);
    replace("{SEP}", kSep);
    return text;
}

class CliTest : public ::testing::Test {
  protected:
    CliTest() { MakeMusicTree(music); }
    TempDir tmp;
    const std::filesystem::path music = tmp / "Music";
};

}  // namespace dirscribe::test
