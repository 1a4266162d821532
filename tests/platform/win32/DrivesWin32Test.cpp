// SPDX-License-Identifier: MIT
// Tests of the Windows drive list: the drives Wine has (C: and Z:), their texts, the drive of a
// path, and where the folder list opens on a drive.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/Failure.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "support/win32/WinTree.h"

namespace dirscribe::platform {
namespace {

int FailureNumberOf(const std::string& driveText) {
    try {
        OpenDrive(driveText);
    } catch (const Failure& failure) {
        return failure.Number();
    }
    return 0;
}

// A letter that names no drive here.
char FreeLetter() {
    const DWORD used = GetLogicalDrives();
    for (char letter = 'Q'; letter <= 'Y'; ++letter) {
        if ((used & (1u << (letter - 'A'))) == 0) return letter;
    }
    return 0;
}

TEST(DrivesWin32, EveryDriveLetterIsADriveWithItsLabel) {
    const auto drives = ListDrives();
    ASSERT_FALSE(drives.empty());
    const DWORD used = GetLogicalDrives();
    char previous = 0;
    for (const auto& drive : drives) {
        SCOPED_TRACE(drive.text);
        ASSERT_EQ(drive.root.size(), 3u);
        const char letter = drive.root[0];
        EXPECT_GT(letter, previous);  // in letter order
        previous = letter;
        EXPECT_NE(0u, used & (1u << (letter - 'A')));
        EXPECT_EQ(drive.root, std::string(1, letter) + ":\\");
        EXPECT_EQ(drive.device, std::string(1, letter));
        // "c:" and, when the volume has a label, " [LABEL]".
        const std::string lower(1, static_cast<char>(letter - 'A' + 'a'));
        std::string label;
        try {
            label = VolumeLabel(drive.root);
        } catch (const Failure&) {
        }
        EXPECT_EQ(drive.text, lower + ":" + (label.empty() ? "" : " [" + label + "]"));
        EXPECT_EQ(TrayDriveOfText(drive.text), drive.device);
    }
    // The system drive is always there.
    wchar_t windows[MAX_PATH] = {};
    ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 2u);
    const std::string system = test::Utf8Of(std::wstring_view(windows, 1)) + ":\\";
    EXPECT_GE(DriveIndexOfPath(drives, system), 0);
}

TEST(DrivesWin32, APathLiesOnTheDriveOfItsLetter) {
    const std::vector<DriveInfo> drives{{"c: [SYSTEM]", "C:\\", "C", false},
                                        {"e: [MUSIC01]", "E:\\", "E", true}};
    EXPECT_EQ(0, DriveIndexOfPath(drives, "C:\\Music\\Jazz"));
    EXPECT_EQ(0, DriveIndexOfPath(drives, "c:\\"));
    EXPECT_EQ(0, DriveIndexOfPath(drives, "c:"));
    EXPECT_EQ(1, DriveIndexOfPath(drives, "e:/Music"));
    EXPECT_EQ(-1, DriveIndexOfPath(drives, "D:\\Music"));
    EXPECT_EQ(-1, DriveIndexOfPath(drives, "\\\\server\\share\\x"));
    EXPECT_EQ(-1, DriveIndexOfPath(drives, ""));
    EXPECT_EQ("", TrayDriveOfText(""));
    EXPECT_EQ("E", TrayDriveOfText("e: [MUSIC01]"));
}

TEST(DrivesWin32, ADriveOpensAtTheCurrentFolderWhenItLiesThere) {
    wchar_t current[MAX_PATH] = {};
    ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, current), 2u);
    const std::string here = test::Utf8Of(current);
    const char letter = here[0] >= 'a' ? static_cast<char>(here[0] - 'a' + 'A') : here[0];
    const DriveFolder there =
        OpenDrive(std::string(1, static_cast<char>(letter - 'A' + 'a')) + ": [whatever the label]");
    EXPECT_EQ(there.root, std::string(1, letter) + ":\\");
    EXPECT_EQ(there.current, here);
    // Another drive opens at its root.
    for (const auto& drive : ListDrives()) {
        ASSERT_FALSE(drive.root.empty()) << drive.text;
        if (drive.root[0] == letter || drive.removable) continue;
        const DriveFolder other = OpenDrive(drive.text);
        EXPECT_EQ(other.root, drive.root);
        EXPECT_EQ(other.current, drive.root);
    }
    const char free = FreeLetter();
    ASSERT_NE(0, free);
    EXPECT_EQ(76, FailureNumberOf(std::string(1, free) + ":"));
    EXPECT_EQ(76, FailureNumberOf("no drive"));
}

}  // namespace
}  // namespace dirscribe::platform
