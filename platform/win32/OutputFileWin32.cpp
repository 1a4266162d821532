// SPDX-License-Identifier: MIT
// OutputFileWin32: list files as Win32 file handles, locked with LockFileEx while a run writes
// them, and list text in the ANSI code page.
#include <windows.h>

#include <algorithm>
#include <climits>
#include <utility>

#include "platform/OutputFile.h"
#include "platform/win32/WinErrors.h"
#include "platform/win32/WinText.h"

namespace dirscribe::platform {

using win32::ListFileFailure;

namespace {

// WriteFile takes a DWORD count; a pipe is happier with pieces of moderate size.
constexpr std::size_t kLargestWrite = std::size_t{1} << 30;

// The lock of a run is on one byte far beyond any list's end: other programs may still read
// and write the list itself (a lock on the data would stop readers), while a second run's
// lock fails.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;
constexpr DWORD kLockOffsetLow = 0xFFFFFFF0;

}  // namespace

FileIdentity OutputFile::IdentityOf(Handle handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info)) return {};
    return FileIdentity{
        info.dwVolumeSerialNumber,
        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

void OutputFile::Release(Handle handle) {
    CloseHandle(handle);
}

OutputFile::Handle OutputFile::StandardOutputHandle() {
    // The handle is written with WriteFile, bytes as they are: no C runtime turns "\n" into
    // "\r\n" (which would make CR CR LF of the list's line ends).
    HANDLE handle = GetStdHandle(STD_OUTPUT_HANDLE);
    return handle == nullptr ? kNoHandle : handle;
}

OutputFile OutputFile::Open(const std::string& path, Mode mode) {
    // Appending asks for FILE_APPEND_DATA without FILE_WRITE_DATA, so that every write lands
    // at the end, as O_APPEND does (FILE_READ_DATA is there for LockFileEx). Other programs
    // may read the list while it grows; sharing the write access too lets the lock tell a
    // second run. A new list is emptied only once it is locked (CREATE_ALWAYS would empty it
    // before), and only when the first bytes are written.
    const DWORD access =
        mode == Mode::Write ? GENERIC_WRITE : (FILE_APPEND_DATA | FILE_READ_DATA | SYNCHRONIZE);
    const DWORD creation = OPEN_ALWAYS;
    const std::wstring systemPath = win32::SystemPath(path);
    if (mode == Mode::Write) {
        // A hidden or system file does not count as an existing list (nobody is asked about
        // it), so it must not be emptied either. Windows refuses that itself; Wine does not.
        const DWORD attributes = GetFileAttributesW(systemPath.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0) {
            throw ListFileFailure(ERROR_ACCESS_DENIED, "open", path);
        }
    }
    HANDLE handle = CreateFileW(systemPath.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) throw ListFileFailure(GetLastError(), "open", path);
    OutputFile file = Adopt(handle, true, path);
    const DWORD type = GetFileType(handle);
    if (type == FILE_TYPE_CHAR) return file;  // the console, NUL
    if (type != FILE_TYPE_DISK) {
        throw Failure(FailureNo::PathFileAccess,
                      "cannot open list file '" + path + "': it is a pipe, not a regular file",
                      true);
    }
    OVERLAPPED at{};
    at.Offset = kLockOffsetLow;
    at.OffsetHigh = kLockOffsetHigh;
    if (!LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        const DWORD error = GetLastError();
        if (error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING)
            throw ListFileFailure(error, "lock", path);
        throw Failure(FailureNo::FileAlreadyOpen,
                      "cannot open list file '" + path + "': another run is writing it", true);
    }
    file.emptyPending_ = mode == Mode::Write;
    return file;
}

void OutputFile::EmptyIfPending() {
    if (!emptyPending_) return;
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(handle_, start, nullptr, FILE_BEGIN) || !SetEndOfFile(handle_))
        throw ListFileFailure(GetLastError(), "empty", path_);
    emptyPending_ = false;
}

void OutputFile::Write(std::string& buffer) {
    if (!IsOpen()) throw ListFileFailure(ERROR_INVALID_HANDLE, "write", path_);
    EmptyIfPending();
    std::size_t done = 0;
    while (done < buffer.size()) {
        const auto piece = static_cast<DWORD>(std::min(buffer.size() - done, kLargestWrite));
        DWORD wrote = 0;
        const BOOL ok = WriteFile(handle_, buffer.data() + done, piece, &wrote, nullptr);
        if (ok && wrote > 0) {
            done += wrote;
            continue;
        }
        // A write that takes nothing and reports nothing would loop for ever.
        const DWORD error = ok ? ERROR_WRITE_FAULT : GetLastError();
        buffer.erase(0, done);
        throw ListFileFailure(error, "write", path_);
    }
    buffer.clear();
}

void OutputFile::Close() {
    if (!IsOpen()) return;
    EmptyIfPending();  // a new list without a line
    HANDLE handle = std::exchange(handle_, kNoHandle);
    if (!ownsHandle_) return;
    if (!CloseHandle(handle)) throw ListFileFailure(GetLastError(), "close", path_);
}

void AppendListText(std::string_view text, std::string& out) {
    // Most lines are plain ASCII, which every ANSI code page writes as it is.
    unsigned char any = 0;
    for (char c : text) any |= static_cast<unsigned char>(c);
    if (any < 0x80) {
        out.append(text);
        return;
    }
    std::wstring wide = win32::Wide(text);
    const UINT codePage = GetACP();
    if (codePage != CP_UTF8) {
        // A character beyond the Basic Multilingual Plane is two UTF-16 units; no ANSI code
        // page holds it, and WideCharToMultiByte would make two "?" of it, one more character
        // than the name has. It becomes one unit that the code page cannot hold either.
        std::size_t to = 0;
        for (std::size_t from = 0; from < wide.size(); ++from, ++to) {
            const wchar_t unit = wide[from];
            const bool pair = unit >= 0xD800 && unit <= 0xDBFF && from + 1 < wide.size() &&
                              wide[from + 1] >= 0xDC00 && wide[from + 1] <= 0xDFFF;
            wide[to] = pair ? L'\xFFFD' : unit;
            if (pair) ++from;
        }
        wide.resize(to);
    }
    if (wide.empty() || wide.size() > INT_MAX) return;
    const int size = static_cast<int>(wide.size());
    // No best-fit look-alikes ("Ω" as "O", "∞" as "8"): two different names must not give one
    // line. A character the code page lacks is "?". UTF-8 takes neither setting.
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* fallback = utf8 ? nullptr : "?";
    const int needed =
        WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, fallback, nullptr);
    if (needed <= 0) return;
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(needed));
    WideCharToMultiByte(codePage, flags, wide.data(), size, out.data() + at, needed, fallback,
                        nullptr);
}

}  // namespace dirscribe::platform
