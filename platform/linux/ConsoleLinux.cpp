// ConsolePosix: arguments as given, SIGINT as the interrupt, escape sequences for the progress
// line.
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <csignal>

#include "platform/Console.h"

namespace dirscribe::platform::console {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int) {
    g_interrupted = 1;
}

void WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t wrote = write(fd, text.data(), text.size());
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return;  // nobody is left to tell
        text.remove_prefix(static_cast<std::size_t>(wrote));
    }
}

}  // namespace

std::vector<std::string> Start(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    return std::vector<std::string>(argv, argv + argc);
}

void CatchInterrupt() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // A second Ctrl-C ends the program at once.
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
}

bool Interrupted() {
    return g_interrupted != 0;
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
    WriteAll(STDERR_FILENO, text);
}

void ShowProgress(std::string_view text) {
    std::string line = "\r\033[K";
    line.append(text);
    WriteAll(STDERR_FILENO, line);
}

void ClearProgress() {
    WriteAll(STDERR_FILENO, "\r\033[K");
}

}  // namespace dirscribe::platform::console
