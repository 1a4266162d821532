// SPDX-License-Identifier: MIT
// Process: runs a built program as a script would, with its output and errors collected.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace dirscribe::test {

// How a program ended and what it wrote.
struct ProgramResult {
    int status = -1;  // the exit status; 128 + the signal's number when a signal ended it
    std::string out;
    std::string err;
};

// A running program with its standard input empty and its output and errors on pipes.
class Program {
  public:
    // Starts `path` with `args` (UTF-8; the program's name is put first).
    Program(const std::string& path, const std::vector<std::string>& args);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // How many bytes the program has written to its output that are not read yet.
    std::size_t PendingOutput() const;
    // The same for its standard error.
    std::size_t PendingErrors() const;
    // Sends the program what Ctrl-C sends it. False when that cannot be done here.
    bool Interrupt();
    // Sends the program a POSIX signal (SIGTERM, SIGHUP...). False where there are none.
    bool Signal(int number);
    // Reads both pipes to their end and waits for the program to end.
    ProgramResult Finish();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// Runs a program to its end.
ProgramResult RunProgram(const std::string& path, const std::vector<std::string>& args);

}  // namespace dirscribe::test
