// SPDX-License-Identifier: MIT
// Process on POSIX systems: posix_spawn with pipes, SIGINT for Ctrl-C.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#include "support/Process.h"

extern char** environ;

namespace dirscribe::test {

struct Program::State {
    pid_t pid = -1;
    int out = -1;
    int err = -1;
};

Program::Program(const std::string& path, const std::vector<std::string>& args)
    : state_(std::make_unique<State>()) {
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    std::vector<std::string> all{path};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int spawned =
        posix_spawn(&state_->pid, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    state_->out = out[0];
    state_->err = err[0];
    if (spawned != 0) throw std::runtime_error("cannot start " + path);
}

Program::~Program() {
    if (state_->out >= 0) close(state_->out);
    if (state_->err >= 0) close(state_->err);
}

std::size_t Program::PendingOutput() const {
    int pending = 0;
    ioctl(state_->out, FIONREAD, &pending);
    return pending > 0 ? static_cast<std::size_t>(pending) : 0;
}

std::size_t Program::PendingErrors() const {
    int pending = 0;
    ioctl(state_->err, FIONREAD, &pending);
    return pending > 0 ? static_cast<std::size_t>(pending) : 0;
}

bool Program::Interrupt() {
    return kill(state_->pid, SIGINT) == 0;
}

bool Program::Signal(int number) {
    return kill(state_->pid, number) == 0;
}

ProgramResult Program::Finish() {
    ProgramResult r;
    pollfd fds[2] = {{state_->out, POLLIN, 0}, {state_->err, POLLIN, 0}};
    int open = 2;
    char buf[65536];
    while (open > 0) {
        if (poll(fds, 2, 60000) <= 0) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
            const ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n <= 0) {
                fds[i].fd = -1;
                --open;
            } else {
                (i == 0 ? r.out : r.err).append(buf, static_cast<std::size_t>(n));
            }
        }
    }
    int status = 0;
    waitpid(state_->pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return r;
}

ProgramResult RunProgram(const std::string& path, const std::vector<std::string>& args) {
    return Program(path, args).Finish();
}

}  // namespace dirscribe::test
