// SPDX-License-Identifier: MIT
// ConsolePosix: arguments as given, SIGINT, SIGTERM and SIGHUP as the interrupt, escape
// sequences for the progress line.
#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <clocale>
#include <csignal>

#include "base/SafeText.h"
#include "platform/Console.h"
#include "platform/OutputFile.h"
#include "platform/linux/PathTools.h"

namespace dirscribe::platform::console {

namespace {

// Only flags and async-signal-safe calls here: the list's buffers belong to the main thread,
// which looks at the flags before every line (a second stop) and at every yield (the first).
// Atomic, as other threads may read them (and a handler may run on another thread).
static_assert(std::atomic<int>::is_always_lock_free);
std::atomic<int> g_interrupted{0};  // the first signal's number
std::atomic<int> g_twice{0};

void OnTimeUp(int) {
    // The lines already whole in the lists' buffers are not lost with the program.
    OutputFile::WriteWaitingLines();
    _exit(128 + g_interrupted);
}

void OnInterrupt(int signal) {
    int none = 0;
    if (g_interrupted.compare_exchange_strong(none, signal)) return;
    g_twice = 1;
    // The run writes its footer at its next line; a walk waiting on a device that does not
    // answer is ended without it.
    alarm(2);
}

void WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t wrote =
            linuxos::RetryOnInterrupt([&] { return write(fd, text.data(), text.size()); });
        if (wrote <= 0) return;  // nobody is left to tell
        text.remove_prefix(static_cast<std::size_t>(wrote));
    }
}

}  // namespace

std::vector<std::string> Start(int argc, char** argv) {
    // A descriptor 0-2 closed by whoever started the program would be the next file opened:
    // a list file would then receive reports, or be read from.
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
            if (opened >= 0 && opened != fd) close(opened);
        }
    }
    // A reader of standard error or of the list that went away, or a file size limit, is a
    // failed write, reported where it can be (and the list keeps every byte before it); it
    // does not end the run unannounced.
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
    std::setlocale(LC_ALL, "");
    return std::vector<std::string>(argv, argv + argc);
}

void CatchInterrupt() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&action.sa_mask, signal);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
    struct sigaction timeUp {};
    timeUp.sa_handler = OnTimeUp;
    sigemptyset(&timeUp.sa_mask);
    sigaction(SIGALRM, &timeUp, nullptr);
}

bool Interrupted() {
    return g_interrupted != 0;
}

bool InterruptedTwice() {
    return g_twice != 0;
}

int InterruptStatus() {
    return g_interrupted == 0 ? 0 : 128 + g_interrupted;
}

bool IsTerminal(Stream stream) {
    return isatty(stream == Stream::Input ? STDIN_FILENO : STDERR_FILENO) != 0;
}

int TerminalWidth() {
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 10) return size.ws_col;
    return 80;
}

void WriteError(std::string_view text) {
    // Names and arguments may hold escape sequences: none reaches the terminal raw.
    WriteAll(STDERR_FILENO, TerminalSafe(text, true));
}

void ShowProgress(std::string_view text) {
    std::string line = "\r\033[K";
    line.append(text);
    WriteAll(STDERR_FILENO, line);
}

void ClearProgress() {
    WriteAll(STDERR_FILENO, "\r\033[K");
}

void ShowStartFailure(std::string_view /*title*/, std::string_view text) {
    std::string line(text);
    line += '\n';
    WriteAll(STDERR_FILENO, line);
}

std::string SharedLibraryName(std::string_view base) {
    return "lib" + std::string(base) + ".so";
}

}  // namespace dirscribe::platform::console
