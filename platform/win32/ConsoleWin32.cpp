// SPDX-License-Identifier: MIT
// ConsoleWin32: arguments from the wide command line, Ctrl-C through a console control handler,
// Unicode text on a console and bytes elsewhere.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <clocale>
#include <cstdio>

#include "base/SafeText.h"
#include "platform/Console.h"
#include "platform/OutputFile.h"
#include "platform/win32/CommandLine.h"
#include "platform/win32/WinText.h"

namespace dirscribe::platform::console {

namespace {

std::atomic<bool> g_interrupted{false};
std::atomic<bool> g_twice{false};

// Runs on a thread of its own that the system starts for each event.
BOOL WINAPI OnControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    if (!g_interrupted.exchange(true)) return TRUE;
    // The second press: the run writes its footer at its next line. Two seconds later the
    // default handler ends the process if it has not ended by itself.
    g_twice = true;
    Sleep(2000);
    // The lines already whole in the lists' buffers are not lost with the program.
    OutputFile::WriteWaitingLines();
    return FALSE;
}

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

void WriteBytes(HANDLE handle, std::string_view text) {
    while (!text.empty()) {
        DWORD wrote = 0;
        const auto piece = static_cast<DWORD>(std::min<std::size_t>(text.size(), 1u << 20));
        if (!WriteFile(handle, text.data(), piece, &wrote, nullptr) || wrote == 0) return;
        text.remove_prefix(wrote);
    }
}

void WriteConsoleText(HANDLE handle, const std::wstring& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        DWORD wrote = 0;
        const auto piece = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 8192));
        if (!WriteConsoleW(handle, text.data() + done, piece, &wrote, nullptr) || wrote == 0) {
            return;
        }
        done += wrote;
    }
}

// The progress line is overwritten with blanks rather than cleared by escape sequences, which
// older consoles do not know.
std::size_t g_progressChars = 0;

}  // namespace

std::vector<std::string> Start(int /*argc*/, char** /*argv*/) {
    std::setlocale(LC_ALL, "");
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
    // The narrow argv holds the arguments in the ANSI code page, which loses names outside it.
    std::vector<std::string> arguments;
    for (const auto& arg : win32::SplitCommandLine(GetCommandLineW())) {
        arguments.push_back(win32::Utf8(arg));
    }
    return arguments;
}

void CatchInterrupt() {
    // A process started in a new process group begins with Ctrl-C turned off.
    SetConsoleCtrlHandler(nullptr, FALSE);
    SetConsoleCtrlHandler(OnControl, TRUE);
}

bool Interrupted() {
    return g_interrupted.load();
}

bool InterruptedTwice() {
    return g_twice.load();
}

int InterruptStatus() {
    return g_interrupted.load() ? 130 : 0;
}

bool IsTerminal(Stream stream) {
    return IsConsole(GetStdHandle(stream == Stream::Input ? STD_INPUT_HANDLE : STD_ERROR_HANDLE));
}

int TerminalWidth() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info)) {
        const int width = info.srWindow.Right - info.srWindow.Left + 1;
        if (width > 10) return width;
    }
    return 80;
}

void WriteError(std::string_view text) {
    HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
    // Names and arguments may hold escape sequences: none reaches the console raw.
    const std::string safe = TerminalSafe(text, true);
    if (IsConsole(handle)) {
        WriteConsoleText(handle, win32::Wide(safe));
    } else {
        WriteBytes(handle, safe);
    }
}

void ShowProgress(std::string_view text) {
    HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    if (!IsConsole(handle)) return;
    std::wstring line = L"\r" + win32::Wide(text);
    const std::size_t chars = line.size() - 1;
    if (chars < g_progressChars) line.append(g_progressChars - chars, L' ');
    line += L'\r';
    line.append(win32::Wide(text));
    g_progressChars = chars;
    WriteConsoleText(handle, line);
}

void ClearProgress() {
    HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    if (!IsConsole(handle) || g_progressChars == 0) return;
    std::wstring line = L"\r";
    line.append(g_progressChars, L' ');
    line += L'\r';
    g_progressChars = 0;
    WriteConsoleText(handle, line);
}

void ShowStartFailure(std::string_view title, std::string_view text) {
    WriteError(std::string(text) + "\n");
    MessageBoxW(nullptr, win32::Wide(text).c_str(), win32::Wide(title).c_str(),
                MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

std::string SharedLibraryName(std::string_view base) {
    return std::string(base) + ".dll";
}

std::string ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return win32::Utf8(path.substr(0, path.find_last_of(L"\\/")));
}

}  // namespace dirscribe::platform::console
