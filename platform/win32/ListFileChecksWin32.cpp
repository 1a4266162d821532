// SPDX-License-Identifier: MIT
// ListFileChecksWin32: two names of one list file, told by volume serial and file index.
#include <windows.h>

#include <optional>

#include "platform/OutputFile.h"
#include "platform/win32/WinText.h"

namespace dirscribe::platform {

namespace {

std::optional<FileIdentity> IdentityOfPath(const std::wstring& path) {
    // No access is asked for: only the file's information is read. Folders need the backup
    // flag to be opened at all.
    HANDLE handle =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const BOOL ok = GetFileInformationByHandle(handle, &info);
    CloseHandle(handle);
    if (!ok) return std::nullopt;
    return FileIdentity{
        info.dwVolumeSerialNumber,
        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

}  // namespace

bool SameListFile(const std::string& first, const std::string& second) {
    const std::wstring a = win32::SystemPath(first);
    const std::wstring b = win32::SystemPath(second);
    const auto idA = IdentityOfPath(a);
    const auto idB = IdentityOfPath(b);
    if (idA || idB) return idA && idB && *idA == *idB;
    // Neither is there yet: one place if the folders are one and the names equal, without
    // regard to case as the file system compares them.
    auto split = [](const std::wstring& path) {
        const auto slash = path.find_last_of(L"\\/");
        if (slash == std::wstring::npos) return std::pair<std::wstring, std::wstring>(L".", path);
        return std::pair<std::wstring, std::wstring>(path.substr(0, slash + 1),
                                                     path.substr(slash + 1));
    };
    const auto [folderA, nameA] = split(a);
    const auto [folderB, nameB] = split(b);
    if (CompareStringOrdinal(nameA.c_str(), static_cast<int>(nameA.size()), nameB.c_str(),
                             static_cast<int>(nameB.size()), TRUE) != CSTR_EQUAL) {
        return false;
    }
    const auto dirA = IdentityOfPath(folderA);
    const auto dirB = IdentityOfPath(folderB);
    return dirA && dirB && *dirA == *dirB;
}

}  // namespace dirscribe::platform
