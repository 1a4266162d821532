// SPDX-License-Identifier: MIT
// WinErrors: Win32 error codes as numbered failures.
#include "platform/win32/WinErrors.h"

#include <windows.h>

#include "platform/win32/WinText.h"

namespace dirscribe::platform::win32 {

int FailureNumberFromError(std::uint32_t error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
            return FailureNo::FileNotFound;
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
            return FailureNo::PathNotFound;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT:
        case ERROR_CANT_ACCESS_FILE:
        case ERROR_CANT_RESOLVE_FILENAME:
            return FailureNo::PathFileAccess;
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_DIRECTORY:
            return FailureNo::BadFileName;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return FailureNo::DiskFull;
        case ERROR_NOT_READY:
        case ERROR_NO_MEDIA_IN_DRIVE:
            return FailureNo::DiskNotReady;
        default:
            return FailureNo::DeviceIO;
    }
}

std::string ErrorText(std::uint32_t error) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (length > 0 && buffer != nullptr) text.assign(buffer, length);
    if (buffer != nullptr) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
        text.pop_back();
    if (text.empty()) return "Windows error " + std::to_string(error);
    return Utf8(text);
}

Failure FailureFromError(std::uint32_t error) {
    return Failure(FailureNumberFromError(error), ErrorText(error));
}

Failure ListFileFailure(std::uint32_t error, std::string_view action, const std::string& path) {
    return dirscribe::ListFileFailure(FailureNumberFromError(error), action, path,
                                      ErrorText(error));
}

}  // namespace dirscribe::platform::win32
