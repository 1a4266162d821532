// SPDX-License-Identifier: MIT
// DiscLoop with a scripted drive: the waits, new discs by media change and not by label, a disc
// that fails, --discs, and Ctrl-C at every stage; each disc is listed for real from a
// temporary folder.
#include "cli/DiscLoop.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "base/Failure.h"
#include "support/TempTree.h"

namespace dirscribe::test {
namespace {

using cdtray::Media;
using cdtray::MediaState;

constexpr MediaState kEmpty{Media::None, 0};
MediaState Disc(std::uint64_t change) {
    return {Media::Present, change};
}

// A drive that answers its looks from a script (the last answer repeats) and keeps a log.
class ScriptedDrive final : public cdtray::DiscDrive {
  public:
    std::vector<MediaState> looks;
    std::map<std::uint64_t, cdtray::MountedDisc> discs;  // by the change they came with; a
                                                         // missing one holds no file system
    bool ejects = true;
    std::vector<std::string> log;
    std::size_t pollCount = 0;
    int mounts = 0;

    std::string Name() const override { return "/dev/scripted"; }
    MediaState Poll() override {
        current_ = looks[std::min(pollCount, looks.size() - 1)];
        ++pollCount;
        return current_;
    }
    cdtray::MountedDisc Mount() override {
        ++mounts;
        log.push_back("mount " + std::to_string(current_.change));
        const auto disc = discs.find(current_.change);
        if (disc == discs.end()) throw Failure(FailureNo::DeviceIO, "no file system");
        return disc->second;
    }
    void Unmount() noexcept override { log.emplace_back("unmount"); }
    bool Eject() noexcept override {
        log.emplace_back("eject");
        return ejects;
    }

  private:
    MediaState current_;
};

class DiscLoopTest : public ::testing::Test {
  protected:
    DiscLoopTest() {
        MakeMusicTree(tmp / "one");
        MakeDir(tmp / "two" / "Docs");
        MakeFile(tmp / "two" / "Docs" / "report.txt", 1234, LocalTime(2005, 6, 1, 12, 0, 0));
        // Two discs with one label.
        drive.discs[1] = {(tmp / "one").string(), "CD"};
        drive.discs[2] = {(tmp / "two").string(), "CD"};
        listing.format = ListFormat::TextNames;
        listing.append = catalogue.string();
        listing.quiet = true;
    }

    // Runs the loop; `stop` says when Ctrl-C is pressed, and stays pressed.
    int Run(std::function<bool()> stop, int discs = 0) {
        cli::DiscLoopConsole console;
        console.interrupted = [this, stop] { return pressed = pressed || stop(); };
        console.interruptStatus = [this] { return pressed ? signalStatus : 0; };
        console.sleep = [this](std::chrono::milliseconds time) { sleeps.push_back(time.count()); };
        console.report = [this](std::string_view text) { reports += std::string(text) + "\n"; };
        console.askLine = [this](const std::string&) -> std::optional<std::string> {
            return answers.empty() ? std::nullopt : std::optional(answers[drive.mounts - 1]);
        };
        console.canAsk = !answers.empty() || askWithoutAnswer;
        cli::DiscLoopOptions options;
        options.discs = discs;
        options.askDescription = console.canAsk;
        cli::DiscLoop loop(listing, options, drive, console);
        return loop.Run();
    }

    std::string Catalogue() const {
        return std::filesystem::exists(catalogue) ? ReadFile(catalogue) : std::string();
    }
    static std::size_t Count(const std::string& text, const std::string& what) {
        std::size_t n = 0;
        for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    }

    TempDir tmp;
    const std::filesystem::path catalogue = tmp / "catalogue.txt";
    ScriptedDrive drive;
    cli::CliOptions listing;
    std::vector<std::string> answers;
    bool askWithoutAnswer = false;
    bool pressed = false;
    int signalStatus = 130;  // what stopped it: 130 Ctrl-C, 143 SIGTERM, 129 SIGHUP
    std::vector<long> sleeps;
    std::string reports;
};

const std::string kFooter =
    std::string(89, '-') + "\r\n" + std::string(89, '-') + "\r\n" + std::string(89, '-') + "\r\n";

TEST_F(DiscLoopTest, NewDiscsByMediaChangeNotByLabelUntilDiscsAreDone) {
    // Disc 1 stays after its eject for two looks, then the drive is empty; disc 2 (same label)
    // comes; then disc 1 again, new because the drive was empty in between.
    drive.looks = {kEmpty, Disc(1), Disc(1), Disc(1), kEmpty, Disc(2), kEmpty, kEmpty, Disc(1)};
    EXPECT_EQ(Run([] { return false; }, 3), 0) << reports;
    EXPECT_EQ(drive.log,
              (std::vector<std::string>{"mount 1", "unmount", "eject", "mount 2", "unmount",
                                        "eject", "mount 1", "unmount", "eject"}));
    const std::string list = Catalogue();
    EXPECT_EQ(Count(list, kFooter), 3u);
    EXPECT_EQ(Count(list, "intro.mp3"), 2u);
    EXPECT_EQ(Count(list, "report.txt"), 1u);
    EXPECT_EQ(Count(list, "Volume:    CD\r\n"), 6u);  // two folders on each disc
    // A look that found no new disc is followed by one wait, never by another look at once.
    EXPECT_EQ(sleeps, std::vector<long>(drive.pollCount - 3, 250));
    EXPECT_EQ(Count(reports, "Insert a disc into /dev/scripted; Ctrl-C to finish"), 1u);
    EXPECT_EQ(Count(reports, "'CD': "), 3u) << reports;
    EXPECT_NE(reports.find("listed 3 discs: 6 folders, 7 files"), std::string::npos) << reports;
}

TEST_F(DiscLoopTest, TheSameDiscLeftInTheDriveIsListedOnce) {
    // The tray did not open and the disc was never taken out: wait until Ctrl-C.
    drive.ejects = false;
    drive.looks = {Disc(1)};
    EXPECT_EQ(Run([this] { return drive.pollCount >= 20; }), 0);
    EXPECT_EQ(drive.mounts, 1);
    EXPECT_NE(reports.find("could not be ejected: take it out"), std::string::npos);
    EXPECT_NE(reports.find("listed 1 disc: 2 folders, 3 files"), std::string::npos) << reports;
}

TEST_F(DiscLoopTest, ADiscThatCannotBeReadIsEjectedAndTheLoopGoesOn) {
    drive.discs[3] = {(tmp / "missing").string(), "GONE"};  // mounts, but its root is not there
    drive.looks = {Disc(7), kEmpty, Disc(3), kEmpty, Disc(2)};
    EXPECT_EQ(Run([] { return false; }, 1), 0);
    EXPECT_EQ(drive.log,
              (std::vector<std::string>{"mount 7", "unmount", "eject", "mount 3", "unmount",
                                        "eject", "mount 2", "unmount", "eject"}));
    EXPECT_EQ(Count(reports, "cannot be read: "), 2u) << reports;
    EXPECT_NE(reports.find("disc 1 cannot be read: no file system"), std::string::npos);
    // Only the readable disc has a block.
    EXPECT_EQ(Count(Catalogue(), kFooter), 1u);
    EXPECT_EQ(Count(Catalogue(), "report.txt"), 1u);
    EXPECT_NE(reports.find("listed 1 disc: 2 folders, 1 file, 1,234 bytes; 2 discs could not"),
              std::string::npos)
        << reports;
}

TEST_F(DiscLoopTest, CtrlCAtEveryStage) {
    drive.looks = {kEmpty, Disc(1), kEmpty, Disc(2)};
    // While waiting: exit 0, nothing written.
    EXPECT_EQ(Run([this] { return drive.pollCount >= 1; }), 0);
    EXPECT_EQ(Catalogue(), "");
    EXPECT_NE(reports.find("listed 0 discs"), std::string::npos);

    // During the second disc's listing: its block is ended with a footer, it is unmounted but
    // not ejected, exit 130.
    pressed = false;
    drive.pollCount = 0;
    drive.log.clear();
    EXPECT_EQ(Run([this] { return drive.mounts == 2; }), 130);
    EXPECT_EQ(Count(Catalogue(), kFooter), 2u);
    EXPECT_EQ(Catalogue().substr(Catalogue().size() - kFooter.size()), kFooter);
    EXPECT_EQ(drive.log,
              (std::vector<std::string>{"mount 1", "unmount", "eject", "mount 2", "unmount"}));
    EXPECT_NE(reports.find("stopped by Ctrl-C"), std::string::npos);

    // SIGTERM and SIGHUP stop it the same way, each with its own status and name.
    for (const auto& [status, name] : {std::pair{143, "SIGTERM"}, std::pair{129, "SIGHUP"}}) {
        SCOPED_TRACE(name);
        pressed = false;
        signalStatus = status;
        drive.pollCount = 0;
        drive.mounts = 0;
        reports.clear();
        EXPECT_EQ(Run([this] { return drive.mounts == 2; }), status);
        EXPECT_NE(reports.find(std::string("stopped by ") + name + " after"), std::string::npos)
            << reports;
    }
    signalStatus = 130;

    // At the description's question: unmounted, nothing written, exit 0.
    std::filesystem::remove(catalogue);
    pressed = false;
    drive.pollCount = 0;
    drive.log.clear();
    drive.mounts = 0;
    askWithoutAnswer = true;
    EXPECT_EQ(Run([this] { return drive.mounts == 1; }), 0);
    EXPECT_EQ(drive.log, (std::vector<std::string>{"mount 1", "unmount"}));
    EXPECT_EQ(Catalogue(), "");
}

TEST_F(DiscLoopTest, DescriptionsAskedPerDiscIntoOneNewList) {
    listing.append.clear();
    listing.newList = catalogue.string();
    WriteFile(catalogue, "old catalogue");
    listing.overwrite = true;  // replaced once, by the first disc
    answers = {"Box 3, disc 7", "Box 3, disc 8"};
    drive.looks = {Disc(1), kEmpty, Disc(2)};
    EXPECT_EQ(Run([] { return false; }, 2), 0) << reports;
    const std::string list = Catalogue();
    EXPECT_EQ(list.find("old catalogue"), std::string::npos);
    EXPECT_EQ(Count(list, "Volume:    CD(Box 3, disc 7)"), 2u) << list;
    EXPECT_EQ(Count(list, "Volume:    CD(Box 3, disc 8)"), 2u);
    EXPECT_EQ(Count(list, kFooter), 2u);
}

}  // namespace
}  // namespace dirscribe::test
