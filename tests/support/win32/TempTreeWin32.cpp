// SPDX-License-Identifier: MIT
// Temporary folder trees for tests on Windows, through the Win32 API so that long paths,
// hidden and read-only entries are made and removed like any other.
#include <windows.h>
#include <winioctl.h>

#include <stdexcept>

#include "base/WindowsTime.h"
#include "platform/win32/WinText.h"
#include "support/TempTree.h"
#include "support/win32/WinTree.h"

namespace fs = std::filesystem;

namespace dirscribe::test {

namespace {

[[noreturn]] void Fail(const std::string& what, const fs::path& path) {
    throw std::runtime_error(what + " " + Utf8(path) + ": Windows error " +
                             std::to_string(GetLastError()));
}

FILETIME FileTimeOf(std::int64_t seconds) {
    const auto ticks =
        static_cast<std::uint64_t>((seconds + kSecondsFrom1601To1970) * kTicksPerSecond);
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

void SetTime(HANDLE handle, std::int64_t mtime, const fs::path& path) {
    const FILETIME time = FileTimeOf(mtime);
    if (!SetFileTime(handle, nullptr, nullptr, &time)) {
        CloseHandle(handle);
        Fail("cannot set the time of", path);
    }
}

// Removes a folder and everything in it, protected entries included; a folder link is removed
// as a link, never followed.
void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &data,
                                   FindExSearchNameMatch, nullptr, 0);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            const DWORD attributes = data.dwFileAttributes;
            if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                DeleteFileW(path.c_str());
            } else if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
                RemoveDirectoryW(path.c_str());
            } else {
                RemoveTree(path);
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(folder.c_str());
}

}  // namespace

std::wstring SystemPathOf(const fs::path& path) {
    return platform::win32::SystemPath(path.native());
}

unsigned AnsiCodePage() {
    return GetACP();
}

void RemoveTreeAt(const fs::path& path) {
    RemoveTree(SystemPathOf(path));
}

void SetAttributes(const fs::path& path, std::uint32_t attributes) {
    if (!SetFileAttributesW(SystemPathOf(path).c_str(), attributes)) {
        Fail("cannot set the attributes of", path);
    }
}

void MakeOneDir(const fs::path& path) {
    if (!CreateDirectoryW(SystemPathOf(path).c_str(), nullptr)) Fail("cannot make", path);
}

std::string Utf8Of(std::wstring_view text) {
    return platform::win32::Utf8(text);
}

std::wstring WideOf(std::string_view text) {
    return platform::win32::Wide(text);
}

TempDir::TempDir() {
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH) throw std::runtime_error("no temporary folder");
    // The long form of the folder (GetTempPathW may give a short 8.3 one), so that the paths
    // the program shows are the ones the tests build.
    wchar_t full[MAX_PATH + 1] = {};
    const DWORD fullLength = GetLongPathNameW(temp, full, MAX_PATH + 1);
    const std::wstring base = fullLength > 0 && fullLength <= MAX_PATH ? full : temp;
    for (unsigned attempt = 0;; ++attempt) {
        const std::wstring name = base + L"dirscribe-test-" +
                                  std::to_wstring(GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(GetTickCount() + attempt);
        if (CreateDirectoryW(name.c_str(), nullptr)) {
            path_ = name;
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS || attempt > 1000) {
            throw std::runtime_error("cannot make a temporary folder");
        }
    }
}

TempDir::~TempDir() {
    RemoveTree(SystemPathOf(path_));
}

std::int64_t LocalTime(int year, int month, int day, int hour, int minute, int second) {
    SYSTEMTIME local{};
    local.wYear = static_cast<WORD>(year);
    local.wMonth = static_cast<WORD>(month);
    local.wDay = static_cast<WORD>(day);
    local.wHour = static_cast<WORD>(hour);
    local.wMinute = static_cast<WORD>(minute);
    local.wSecond = static_cast<WORD>(second);
    // The year's own rules, as the program reads file times by them.
    TIME_ZONE_INFORMATION zone{};
    const bool known = GetTimeZoneInformationForYear(local.wYear, nullptr, &zone) != 0;
    SYSTEMTIME utc{};
    FILETIME time{};
    if (!TzSpecificLocalTimeToSystemTime(known ? &zone : nullptr, &local, &utc) ||
        !SystemTimeToFileTime(&utc, &time)) {
        throw std::runtime_error("cannot convert a local time");
    }
    const auto ticks = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    return ticks / kTicksPerSecond - kSecondsFrom1601To1970;
}

void MakeFile(const fs::path& path, std::int64_t size, std::int64_t mtime) {
    HANDLE file = CreateFileW(SystemPathOf(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) Fail("cannot make", path);
    if (size > 0) {
        // Sparse where the file system allows, so that a file of gigabytes costs no space.
        DWORD returned = 0;
        DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
        LARGE_INTEGER end{};
        end.QuadPart = size;
        if (!SetFilePointerEx(file, end, nullptr, FILE_BEGIN) || !SetEndOfFile(file)) {
            CloseHandle(file);
            Fail("cannot size", path);
        }
    }
    SetTime(file, mtime, path);
    CloseHandle(file);
}

void SetMtime(const fs::path& path, std::int64_t mtime) {
    HANDLE handle = CreateFileW(SystemPathOf(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) Fail("cannot open", path);
    SetTime(handle, mtime, path);
    CloseHandle(handle);
}

void MakeVerbatimDir(const fs::path& path) {
    const std::wstring verbatim = L"\\\\?\\" + fs::absolute(path).wstring();
    if (!CreateDirectoryW(verbatim.c_str(), nullptr)) throw std::runtime_error("CreateDirectoryW");
}

void MakeVerbatimFile(const fs::path& path) {
    const std::wstring verbatim = L"\\\\?\\" + fs::absolute(path).wstring();
    HANDLE file = CreateFileW(verbatim.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("CreateFileW");
    CloseHandle(file);
}

bool MakeFolderLink(const fs::path& link, const fs::path& target) {
    std::error_code error;
    fs::create_directory_symlink(target, link, error);
    if (!error) return true;
    // Wine: the Unix names of both, and ln run as a Unix program.
    using UnixName = char* (*)(const wchar_t*);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
    if (unixName == nullptr) return false;
    const auto unixOf = [&](const fs::path& path) {
        char* name = unixName(fs::absolute(path).wstring().c_str());
        std::string text = name != nullptr ? name : "";
        if (name != nullptr) HeapFree(GetProcessHeap(), 0, name);
        return text;
    };
    const std::string from = unixOf(target);
    const std::string to = unixOf(link);
    if (from.empty() || to.empty()) return false;
    std::wstring command =
        L"start.exe /wait /unix /bin/ln -s \"" + WideOf(from) + L"\" \"" + WideOf(to) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process)) {
        return false;
    }
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int wait = 0; wait < 100 && !fs::exists(link); ++wait) Sleep(20);
    return fs::exists(link);
}

}  // namespace dirscribe::test
