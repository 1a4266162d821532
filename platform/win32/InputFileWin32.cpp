// SPDX-License-Identifier: MIT
// InputFileWin32: list files read through Win32 file handles, shared with writers so that a
// list another run is appending to can still be searched.
#include <windows.h>

#include <algorithm>

#include "platform/InputFile.h"
#include "platform/win32/WinErrors.h"
#include "platform/win32/WinText.h"

namespace dirscribe::platform {

namespace {

Failure ReadFailure(DWORD error, std::string_view action, const std::string& path) {
    return Failure(
        win32::FailureNumberFromError(error),
        "cannot " + std::string(action) + " list file '" + path + "': " + win32::ErrorText(error));
}

std::optional<FileIdentity> IdentityOf(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return std::nullopt;
    }
    return FileIdentity{
        info.dwVolumeSerialNumber,
        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

}  // namespace

void InputFile::Release(Handle handle) {
    CloseHandle(handle);
}

InputFile InputFile::Open(const std::string& path) {
    InputFile file;
    file.path_ = path;
    if (path == "-") {
        file.handle_ = GetStdHandle(STD_INPUT_HANDLE);
        if (file.handle_ == nullptr || file.handle_ == INVALID_HANDLE_VALUE)
            throw ReadFailure(ERROR_INVALID_HANDLE, "read", path);
        file.open_ = true;
        file.identity_ = IdentityOf(file.handle_);
        return file;
    }
    // FILE_FLAG_BACKUP_SEMANTICS opens a folder too, so that it is named as one below.
    HANDLE handle = CreateFileW(win32::SystemPath(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) throw ReadFailure(GetLastError(), "open", path);
    file.handle_ = handle;
    file.open_ = true;
    file.owns_ = true;
    const DWORD type = GetFileType(handle);
    BY_HANDLE_FILE_INFORMATION info{};
    const char* kind = nullptr;
    if (type == FILE_TYPE_PIPE) {
        kind = "a pipe";
    } else if (type != FILE_TYPE_DISK) {
        kind = "a device";
    } else if (GetFileInformationByHandle(handle, &info) &&
               (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        kind = "a folder";
    }
    if (kind != nullptr) {
        throw Failure(FailureNo::PathFileAccess, "cannot read list file '" + path + "': it is " +
                                                     kind + ", not a regular file");
    }
    file.identity_ = IdentityOf(handle);
    return file;
}

std::size_t InputFile::Read(char* data, std::size_t size) {
    DWORD got = 0;
    const auto piece = static_cast<DWORD>(std::min<std::size_t>(size, DWORD{1} << 30));
    if (!ReadFile(handle_, data, piece, &got, nullptr)) {
        const DWORD error = GetLastError();
        if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) return 0;
        throw ReadFailure(error, "read", path_);
    }
    return got;
}

std::optional<FileIdentity> StandardOutputFileIdentity() {
    HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return std::nullopt;
    return IdentityOf(handle);
}

}  // namespace dirscribe::platform
