// SPDX-License-Identifier: MIT
// DrivesWin32: the drive list from the drive letters, "c: [LABEL]" as the list shows a drive.
#include <windows.h>

#include "base/Failure.h"
#include "platform/Drives.h"
#include "platform/win32/WinErrors.h"
#include "platform/win32/WinText.h"

namespace dirscribe::platform {

namespace {

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// An empty drive, or a drive the system cannot reach, fails at once instead of asking the user
// to insert a disk.
class QuietErrors {
  public:
    QuietErrors() { SetThreadErrorMode(SEM_FAILCRITICALERRORS, &previous_); }
    ~QuietErrors() { SetThreadErrorMode(previous_, nullptr); }
    QuietErrors(const QuietErrors&) = delete;
    QuietErrors& operator=(const QuietErrors&) = delete;

  private:
    DWORD previous_ = 0;
};

// The label of a volume; false when it cannot be read (no disc, a gone share).
bool ReadLabel(const std::wstring& root, std::string& label, DWORD& error) {
    wchar_t text[MAX_PATH + 1] = {};
    if (!GetVolumeInformationW(root.c_str(), text, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr,
                               0)) {
        error = GetLastError();
        return false;
    }
    label = win32::Utf8(text);
    return true;
}

}  // namespace

std::vector<DriveInfo> ListDrives() {
    const QuietErrors quiet;
    std::vector<DriveInfo> drives;
    const DWORD letters = GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if ((letters & (1u << i)) == 0) continue;
        const char letter = static_cast<char>('A' + i);
        const std::wstring root{static_cast<wchar_t>(letter), L':', L'\\'};
        const UINT type = GetDriveTypeW(root.c_str());
        if (type == DRIVE_NO_ROOT_DIR) continue;
        DriveInfo drive;
        drive.root = std::string(1, letter) + ":\\";
        drive.device = std::string(1, letter);
        drive.removable = type == DRIVE_REMOVABLE || type == DRIVE_CDROM;
        drive.text = std::string(1, Lower(letter)) + ":";
        // A floppy drive would be spun up for its label; an empty drive has none.
        std::string label;
        DWORD error = 0;
        if (!(letter <= 'B' && type == DRIVE_REMOVABLE) && ReadLabel(root, label, error) &&
            !label.empty()) {
            drive.text += " [" + label + "]";
        }
        drives.push_back(std::move(drive));
    }
    return drives;
}

int DriveIndexOfPath(const std::vector<DriveInfo>& drives, const std::string& path) {
    int best = -1;
    for (std::size_t i = 0; i < drives.size(); ++i) {
        const std::string& root = drives[i].root;
        if (root.empty() || path.size() + 1 < root.size()) continue;
        bool under = true;
        for (std::size_t k = 0; k < root.size() && under; ++k) {
            // "C:" is the root "C:\" without its separator.
            if (k == path.size()) {
                under = k + 1 == root.size() && root[k] == '\\';
                break;
            }
            under = Upper(root[k]) == Upper(path[k]) || (root[k] == '\\' && path[k] == '/');
        }
        if (!under) continue;
        if (best < 0 || root.size() > drives[static_cast<std::size_t>(best)].root.size()) {
            best = static_cast<int>(i);
        }
    }
    return best;
}

DriveFolder OpenDrive(const std::string& driveText) {
    if (driveText.size() < 2 || driveText[1] != ':' || !IsLetter(driveText[0])) {
        throw Failure(FailureNo::PathNotFound, "Path not found: '" + driveText + "'");
    }
    const char letter = Upper(driveText[0]);
    DriveFolder folder;
    folder.root = std::string(1, letter) + ":\\";
    const std::wstring root = win32::Wide(folder.root);
    const QuietErrors quiet;
    if (GetDriveTypeW(root.c_str()) == DRIVE_NO_ROOT_DIR) {
        throw Failure(FailureNo::PathNotFound, "Path not found: '" + folder.root + "'");
    }
    std::string label;
    DWORD error = 0;
    if (!ReadLabel(root, label, error)) {
        if (win32::FailureNumberFromError(error) == FailureNo::DiskNotReady) {
            throw Failure(FailureNo::DiskNotReady,
                          "Disk not ready: no disc in drive " + std::string(1, letter) + ":");
        }
        throw win32::FailureFromError(error);
    }
    folder.current = folder.root;
    wchar_t current[MAX_PATH + 1] = {};
    const DWORD length = GetCurrentDirectoryW(MAX_PATH + 1, current);
    if (length > 2 && length <= MAX_PATH && current[1] == L':' &&
        Upper(static_cast<char>(current[0])) == letter) {
        folder.current = win32::Utf8(std::wstring_view(current, length));
    }
    return folder;
}

std::string TrayDriveOfText(const std::string& driveText) {
    if (driveText.empty()) return {};
    return std::string(1, Upper(driveText[0]));
}

}  // namespace dirscribe::platform
