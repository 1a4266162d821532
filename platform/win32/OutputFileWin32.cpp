// OutputFileWin32: list files as Win32 file handles, and list text in the ANSI code page.
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
    // Appending asks for FILE_APPEND_DATA alone, so that every write lands at the end, as
    // O_APPEND does. Other programs may read the list while it grows; sharing the write
    // access too lets the run find out itself that it has a file open twice (ListFiles).
    const DWORD access = mode == Mode::Write ? GENERIC_WRITE : (FILE_APPEND_DATA | SYNCHRONIZE);
    const DWORD creation = mode == Mode::Write ? CREATE_ALWAYS : OPEN_ALWAYS;
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
    return Adopt(handle, true, path);
}

void OutputFile::Write(std::string& buffer) {
    if (!IsOpen()) throw ListFileFailure(ERROR_INVALID_HANDLE, "write", path_);
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
    const int needed =
        WideCharToMultiByte(codePage, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return;
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(needed));
    WideCharToMultiByte(codePage, 0, wide.data(), size, out.data() + at, needed, nullptr, nullptr);
}

}  // namespace dirscribe::platform
