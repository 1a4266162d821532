// dirscribe-cli where only POSIX systems can show it: a broken link reported on standard error,
// and a full disk (/dev/full).
#include <filesystem>

#include "CliFixture.h"

namespace dirscribe::test {
namespace {

TEST_F(CliTest, ReportsGoToStandardErrorAndTheWalkGoesOn) {
    std::filesystem::create_symlink("nowhere", music / "broken.mp3");
    const Result r = RunCli({"-f", "csv-names", music.string()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "\"intro\"\r\n\"notes\"\r\n\"blue train\"\r\n");
    EXPECT_EQ(r.err, "dirscribe-cli: Last Error: Error reading 'broken.mp3' Skipping.\n");
}

TEST_F(CliTest, AListThatCannotBeWrittenFailsTheRun) {
    const Result full = RunCli({"-y", "-n", "/dev/full", music.string()});
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.err.find("Error:cannot write list file '/dev/full'"), std::string::npos)
        << full.err;
}

}  // namespace
}  // namespace dirscribe::test
