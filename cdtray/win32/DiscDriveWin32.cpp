// SPDX-License-Identifier: MIT
// DiscDrive on Windows: the drive type, the storage check-verify request for the disc's coming
// and going (with the drive's count of media changes), the volume label, and the multimedia
// tray control for ejecting. Windows mounts a disc by itself: Mount only checks it.
#include <windows.h>
// windows.h first: winioctl.h needs its types.
#include <winioctl.h>

#include "base/Failure.h"
#include "cdtray/CDjector.h"
#include "cdtray/DiscDrive.h"
#include "platform/FileSystem.h"
#include "platform/win32/WinErrors.h"

namespace dirscribe::cdtray {

namespace {

class WindowsDiscDrive final : public DiscDrive {
  public:
    WindowsDiscDrive(std::string name, wchar_t letter) : name_(std::move(name)), letter_(letter) {}

    std::string Name() const override { return name_; }

    MediaState Poll() override {
        // Opened without access rights: enough to ask the drive, and it never waits for a disc.
        const std::wstring device = std::wstring(L"\\\\.\\") + letter_ + L":";
        const HANDLE handle = CreateFileW(device.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_EXISTING, 0, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            ULONG changes = 0;
            DWORD returned = 0;
            const BOOL ok = DeviceIoControl(handle, IOCTL_STORAGE_CHECK_VERIFY2, nullptr, 0,
                                            &changes, sizeof changes, &returned, nullptr);
            const DWORD error = ok ? 0 : GetLastError();
            CloseHandle(handle);
            if (ok) {
                if (returned == sizeof changes) change_ = changes + 1u;
                return {Media::Present, change_};
            }
            if (error == ERROR_NOT_READY || error == ERROR_NO_MEDIA_IN_DRIVE) {
                return {Media::None, change_};
            }
            if (error == ERROR_MEDIA_CHANGED) return {Media::NotReady, ++change_};
            if (error != ERROR_INVALID_FUNCTION && error != ERROR_NOT_SUPPORTED) {
                return {Media::NotReady, change_};
            }
        }
        // A drive that does not answer the request (Wine's): the volume tells.
        const std::wstring root = std::wstring(1, letter_) + L":\\";
        const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        DWORD serial = 0;
        const BOOL ok =
            GetVolumeInformationW(root.c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0);
        const DWORD error = ok ? 0 : GetLastError();
        SetErrorMode(oldMode);
        if (ok) return {Media::Present, change_};
        return {error == ERROR_NOT_READY || error == ERROR_NO_MEDIA_IN_DRIVE ||
                        error == ERROR_PATH_NOT_FOUND || error == ERROR_FILE_NOT_FOUND
                    ? Media::None
                    : Media::NotReady,
                change_};
    }

    MountedDisc Mount() override {
        const std::string root = std::string(1, static_cast<char>(letter_)) + ":\\";
        MountedDisc disc{root, {}};
        const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        try {
            disc.label = platform::VolumeLabel(root);
        } catch (const Failure& failure) {
            SetErrorMode(oldMode);
            throw Failure(failure.Number(),
                          "cannot read the disc in " + name_ + ": " + failure.Description());
        }
        SetErrorMode(oldMode);
        return disc;
    }

    void Unmount() noexcept override {}

    bool Eject() noexcept override {
        return OpenCDDoor(std::string(1, static_cast<char>(letter_))) == 0;
    }

  private:
    std::string name_;
    wchar_t letter_;
    std::uint64_t change_ = 1;
};

}  // namespace

std::unique_ptr<DiscDrive> OpenDiscDrive(const std::string& drive) {
    // "D", "d:", "D:\" all name drive D.
    const bool letterOnly =
        !drive.empty() &&
        ((drive[0] >= 'A' && drive[0] <= 'Z') || (drive[0] >= 'a' && drive[0] <= 'z')) &&
        (drive.size() == 1 ||
         (drive[1] == ':' &&
          (drive.size() == 2 || (drive.size() == 3 && (drive[2] == '\\' || drive[2] == '/')))));
    if (!letterOnly) {
        throw Failure(FailureNo::BadFileName, "'" + drive + "' is not a drive letter such as D:");
    }
    const auto letter = static_cast<wchar_t>(drive[0] >= 'a' ? drive[0] - 'a' + 'A' : drive[0]);
    const std::wstring root = std::wstring(1, letter) + L":\\";
    switch (GetDriveTypeW(root.c_str())) {
        case DRIVE_CDROM:
        case DRIVE_REMOVABLE:
            break;
        case DRIVE_NO_ROOT_DIR:
        case DRIVE_UNKNOWN:
            throw Failure(FailureNo::PathNotFound, "there is no drive " + drive);
        default:
            throw Failure(FailureNo::BadFileName, "'" + drive + "' is not an optical drive");
    }
    return std::make_unique<WindowsDiscDrive>(std::string(1, static_cast<char>(letter)) + ":",
                                              letter);
}

}  // namespace dirscribe::cdtray
