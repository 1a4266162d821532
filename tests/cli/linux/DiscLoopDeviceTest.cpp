// SPDX-License-Identifier: MIT
// dirscribe-cli --each-disc on a loop device as root: ext2 images made from folders stand for
// the discs, attached and taken away as discs are put in and ejected; the real mounting,
// labels, listing, unmounting and ejecting of the Linux drive.
#include <fcntl.h>
#include <linux/loop.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>

#include "CliFixture.h"

namespace dirscribe::test {
namespace {

namespace stdfs = std::filesystem;

// A free loop device, let go (detached) when the test ends.
class LoopDevice {
  public:
    LoopDevice() {
        const int control = open("/dev/loop-control", O_RDWR | O_CLOEXEC);
        if (control < 0) return;
        const int number = ioctl(control, LOOP_CTL_GET_FREE);
        close(control);
        if (number >= 0) path_ = "/dev/loop" + std::to_string(number);
    }
    ~LoopDevice() {
        if (!path_.empty()) Detach();
    }
    LoopDevice(const LoopDevice&) = delete;
    LoopDevice& operator=(const LoopDevice&) = delete;

    const std::string& Path() const { return path_; }

    // Puts the image in, read-only as a disc is.
    bool Attach(const stdfs::path& image) {
        const int file = open(image.c_str(), O_RDONLY | O_CLOEXEC);
        const int device = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
        const bool ok = file >= 0 && device >= 0 && ioctl(device, LOOP_SET_FD, file) == 0;
        if (file >= 0) close(file);
        if (device >= 0) close(device);
        return ok;
    }
    bool Attached() const {
        const int device = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
        loop_info64 info{};
        const bool attached = device >= 0 && ioctl(device, LOOP_GET_STATUS64, &info) == 0;
        if (device >= 0) close(device);
        return attached;
    }
    void Detach() const {
        const int device = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
        if (device >= 0) {
            ioctl(device, LOOP_CLR_FD, 0);
            close(device);
        }
    }

  private:
    std::string path_;
};

// Waits up to 20 seconds for `done`.
template <class Done>
bool WaitFor(Done done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

class DiscLoopDeviceTest : public CliTest {
  protected:
    void SetUp() override {
        if (geteuid() != 0) GTEST_SKIP() << "mounting loop devices needs root";
        if (access("/dev/loop-control", R_OK | W_OK) != 0) GTEST_SKIP() << "no loop devices";
        if (std::system("mkfs.ext2 -V >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "mkfs.ext2 (e2fsprogs) is not installed";
        }
        // Tests run side by side would be given the same free device: one at a time.
        lock_ = open("/tmp/dirscribe-loop-tests.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        ASSERT_GE(lock_, 0);
        ASSERT_EQ(flock(lock_, LOCK_EX), 0);
        device_.emplace();
        if (loop().Path().empty()) GTEST_SKIP() << "no free loop device";
    }
    void TearDown() override {
        device_.reset();
        if (lock_ >= 0) close(lock_);
    }

    LoopDevice& loop() { return *device_; }

    // An ext2 image of a folder, with a label.
    stdfs::path Image(const std::string& name, const stdfs::path& folder,
                      const std::string& label) {
        const stdfs::path image = tmp / (name + ".img");
        const std::string command = "mkfs.ext2 -q -F -L '" + label + "' -d '" + folder.string() +
                                    "' '" + image.string() + "' 4M >/dev/null 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return image;
    }

  private:
    int lock_ = -1;
    std::optional<LoopDevice> device_;
};

TEST_F(DiscLoopDeviceTest, DiscsPutInAndTakenOutOneAfterAnother) {
    MakeDir(tmp / "second" / "Docs");
    MakeFile(tmp / "second" / "Docs" / "report.txt", 1234, LocalTime(2005, 6, 1, 12, 0, 0));
    MakeDir(tmp / "empty");
    const auto first = Image("first", music, "CAT");
    const auto second = Image("second", tmp / "second", "CAT");  // the same label
    const auto blank = tmp / "blank.img";                        // no file system
    WriteFile(blank, std::string(1 << 20, '\0'));
    const auto catalogue = tmp / "catalogue.txt";

    ASSERT_TRUE(loop().Attach(first));
    Program cli(DIRSCRIBE_CLI, {"--each-disc", loop().Path(), "--discs", "3", "-q", "-D", "Box 3",
                                "-a", catalogue.string()});
    // Each disc is ejected (the device let go) once listed; then the next goes in: another
    // disc with the same label, one that cannot be read, and the first one again.
    for (const auto& next : {second, blank, first}) {
        ASSERT_TRUE(WaitFor([&] { return !loop().Attached(); })) << "not ejected";
        ASSERT_TRUE(loop().Attach(next));
    }
    const Result r = cli.Finish();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(loop().Attached());
    EXPECT_NE(r.err.find("disc 3 cannot be read: cannot mount the disc in " + loop().Path()),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("listed 3 discs: "), std::string::npos) << r.err;
    // Mounted in a folder named by the label, and that folder is gone again.
    const std::string list = ReadFile(catalogue);
    EXPECT_EQ(list.find("/tmp/dirscribe-disc-"), std::string::npos);

    const Result found = RunCli({"--find", "*.mp3", catalogue.string()});
    EXPECT_EQ(found.status, 0) << found.err;
    const std::string match = "CAT(Box 3): /Jazz/blue train.mp3  10,250,000 bytes";
    const auto at = found.out.find(match);
    ASSERT_NE(at, std::string::npos) << found.out;
    EXPECT_NE(found.out.find(match, at + 1), std::string::npos) << found.out;  // disc 4 as 1
    EXPECT_NE(found.out.find("CAT(Box 3): /intro.mp3"), std::string::npos) << found.out;
    EXPECT_EQ(RunCli({"--find", "report.txt", catalogue.string()}).status, 0);
}

TEST_F(DiscLoopDeviceTest, CtrlCWhileWaitingForADiscEndsTheLoop) {
    Program cli(DIRSCRIBE_CLI, {"--each-disc", loop().Path(), "-a", (tmp / "c.txt").string()});
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    ASSERT_TRUE(cli.Interrupt());
    const Result r = cli.Finish();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "dirscribe-cli: Insert a disc into " + loop().Path() +
                         "; Ctrl-C to finish\ndirscribe-cli: listed 0 discs\n");
    EXPECT_FALSE(stdfs::exists(tmp / "c.txt"));
}

}  // namespace
}  // namespace dirscribe::test
