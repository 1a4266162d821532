// SPDX-License-Identifier: MIT
// Process on Windows: CreateProcessW with pipes read by two threads; Ctrl-C sent on a console
// of the test program's own.
#include <windows.h>

#include <stdexcept>
#include <thread>

#include "support/Process.h"
#include "support/win32/WinTree.h"

namespace dirscribe::test {

namespace {

// One argument as the C runtime's command-line parser will split it back out.
void AppendArgument(std::wstring& line, const std::wstring& arg) {
    if (!line.empty()) line += L' ';
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) {
        line += arg;
        return;
    }
    line += L'"';
    std::size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote is escaped.
        line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, L'\\');
    line += L'"';
}

BOOL WINAPI IgnoreInterrupt(DWORD event) {
    return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT ? TRUE : FALSE;
}

// Ctrl-C reaches every process of a console. The test program takes a console of its own
// (hidden), which its programs share, and lets Ctrl-C pass over itself; the program that
// started the tests is on another console and never sees it.
void UseOwnConsole() {
    static const bool done = [] {
        FreeConsole();
        if (AllocConsole()) {
            if (HWND window = GetConsoleWindow()) ShowWindow(window, SW_HIDE);
        }
        SetConsoleCtrlHandler(IgnoreInterrupt, TRUE);
        return true;
    }();
    (void)done;
}

void ReadAll(HANDLE pipe, std::string& into) {
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0)
        into.append(buffer, got);
}

}  // namespace

struct Program::State {
    PROCESS_INFORMATION process{};
    HANDLE out = nullptr;
    HANDLE err = nullptr;
};

Program::Program(const std::string& path, const std::vector<std::string>& args)
    : state_(std::make_unique<State>()) {
    UseOwnConsole();
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE outWrite = nullptr;
    HANDLE errWrite = nullptr;
    if (!CreatePipe(&state_->out, &outWrite, &inherit, 65536) ||
        !CreatePipe(&state_->err, &errWrite, &inherit, 65536)) {
        throw std::runtime_error("pipe");
    }
    SetHandleInformation(state_->out, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(state_->err, HANDLE_FLAG_INHERIT, 0);
    HANDLE input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               OPEN_EXISTING, 0, nullptr);

    std::wstring line;
    AppendArgument(line, WideOf(path));
    for (const auto& arg : args) AppendArgument(line, WideOf(arg));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &state_->process);
    const DWORD error = GetLastError();
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
    if (!started) {
        throw std::runtime_error("cannot start " + path + ": Windows error " +
                                 std::to_string(error));
    }
}

Program::~Program() {
    for (HANDLE handle :
         {state_->out, state_->err, state_->process.hProcess, state_->process.hThread}) {
        if (handle != nullptr) CloseHandle(handle);
    }
}

std::size_t Program::PendingOutput() const {
    DWORD available = 0;
    if (!PeekNamedPipe(state_->out, nullptr, 0, nullptr, &available, nullptr)) return 0;
    return available;
}

std::size_t Program::PendingErrors() const {
    DWORD available = 0;
    if (!PeekNamedPipe(state_->err, nullptr, 0, nullptr, &available, nullptr)) return 0;
    return available;
}

bool Program::Interrupt() {
    return GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) != 0;
}

bool Program::Signal(int) {
    return false;
}

ProgramResult Program::Finish() {
    ProgramResult r;
    std::thread errors([&] { ReadAll(state_->err, r.err); });
    ReadAll(state_->out, r.out);
    errors.join();
    WaitForSingleObject(state_->process.hProcess, 60000);
    DWORD code = 0;
    GetExitCodeProcess(state_->process.hProcess, &code);
    r.status = static_cast<int>(code);
    return r;
}

ProgramResult RunProgram(const std::string& path, const std::vector<std::string>& args) {
    return Program(path, args).Finish();
}

}  // namespace dirscribe::test
