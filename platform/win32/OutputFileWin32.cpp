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

// Whether a path names the null device: "NUL" in any case, also with an extension, blanks or
// dots after it, or in a folder (the system finds device names anywhere).
bool IsNullDeviceName(const std::string& path) {
    std::string name = path.substr(path.find_last_of("\\/:") + 1);
    name = name.substr(0, name.find('.'));
    while (!name.empty() && name.back() == ' ') name.pop_back();
    return name.size() == 3 && (name[0] | 0x20) == 'n' && (name[1] | 0x20) == 'u' &&
           (name[2] | 0x20) == 'l';
}

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

void OutputFile::ReleaseAndRemove() noexcept {
    CloseHandle(handle_);
    // Only a disk file this object made (a device or a console is never created).
    DeleteFileW(win32::SystemPath(path_).c_str());
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
    const bool created = GetLastError() != ERROR_ALREADY_EXISTS;
    OutputFile file = Adopt(handle, true, path);
    // A device or a console is opened, never made.
    file.created_ = created && GetFileType(handle) == FILE_TYPE_DISK;
    const DWORD type = GetFileType(handle);
    if (type == FILE_TYPE_CHAR) {
        // The console and NUL; any other device (AUX, COM1, LPT1, PRN...) swallows the list.
        DWORD consoleMode = 0;
        if (GetConsoleMode(handle, &consoleMode) || IsNullDeviceName(path)) return file;
        throw Failure(FailureNo::PathFileAccess,
                      "cannot open list file '" + path + "': it is a device, not a regular file",
                      true);
    }
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
            wroteAny_ = true;
            NoteWritten(std::string_view(buffer.data() + done, wrote));
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

void OutputFile::CutToLastLine() noexcept {
    if (!IsOpen() || partialLine_ == 0 || GetFileType(handle_) != FILE_TYPE_DISK) return;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle_, &size) ||
        static_cast<std::uint64_t>(size.QuadPart) < partialLine_) {
        return;
    }
    // An appending handle may not set the end of the file: a second one, for writing, does.
    HANDLE writer = CreateFileW(win32::SystemPath(path_).c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (writer == INVALID_HANDLE_VALUE) return;
    LARGE_INTEGER cut{};
    cut.QuadPart = size.QuadPart - static_cast<LONGLONG>(partialLine_);
    if (SetFilePointerEx(writer, cut, nullptr, FILE_BEGIN) && SetEndOfFile(writer))
        partialLine_ = 0;
    CloseHandle(writer);
}

void OutputFile::WriteAtTheEnd(Handle handle, const char* data, std::size_t size) noexcept {
    // Only to a file on a disk: a pipe or console may be what the program waits on.
    if (GetFileType(handle) != FILE_TYPE_DISK) return;
    while (size > 0) {
        DWORD wrote = 0;
        const auto piece = static_cast<DWORD>(std::min(size, kLargestWrite));
        if (!WriteFile(handle, data, piece, &wrote, nullptr) || wrote == 0) return;
        data += wrote;
        size -= wrote;
    }
}

void OutputFile::Close() {
    if (!IsOpen()) return;
    ForgetWaiting();
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
