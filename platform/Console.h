// SPDX-License-Identifier: MIT
// Console: what a command-line program needs of its process and terminal, behind one header
// for every OS: its arguments, Ctrl-C, standard error and a progress line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dirscribe::platform::console {

// Sets the process up for the program: the user's locale, and standard output for bytes as
// they are (on Windows no "\n" becomes "\r\n"). On POSIX systems a closed standard input,
// output or error is opened on /dev/null (so that no list file takes its number) and a
// broken pipe is an error of the write, not the end of the process. Returns the arguments as
// UTF-8 texts, the program's name first; on Windows they are read from the wide command line,
// so names the ANSI code page cannot hold arrive whole.
std::vector<std::string> Start(int argc, char** argv);

// From now on the first Ctrl-C (on Windows also Ctrl-Break; on POSIX systems also SIGTERM and
// SIGHUP) only sets the flag Interrupted() reads. A second one sets InterruptedTwice(), and
// ends the program two seconds later if it has not ended by itself (a walk waiting on a
// device that does not answer).
void CatchInterrupt();
// True once Ctrl-C was pressed after CatchInterrupt.
bool Interrupted();
// True once a second Ctrl-C (or signal) came: the list should end at once.
bool InterruptedTwice();
// The exit status that tells how the program was stopped: 128 + the first signal's number
// (130 Ctrl-C, 143 SIGTERM, 129 SIGHUP); 130 on Windows; 0 when not stopped.
int InterruptStatus();

enum class Stream { Input, Error };
// Whether a stream is a terminal (on Windows a console) that a person reads or types at.
bool IsTerminal(Stream stream);
// The width of the terminal on standard error in characters; 80 when it cannot be told.
int TerminalWidth();

// Writes UTF-8 text to standard error: to a Windows console as Unicode, elsewhere as bytes.
void WriteError(std::string_view text);
// Shows `text` (already cut to the terminal's width) on the terminal's last line in place of
// what was shown there before. ClearProgress empties that line again.
void ShowProgress(std::string_view text);
void ClearProgress();

// Tells why a program cannot start (one line): on standard error, and on Windows, where a
// program with windows has no console to read it on, also in a message box with `title`.
void ShowStartFailure(std::string_view title, std::string_view text);
// The file name the system gives the shared library `base`: "base.dll" on Windows,
// "libbase.so" elsewhere.
std::string SharedLibraryName(std::string_view base);
#ifdef _WIN32
// The folder of the running program's file (UTF-8), whatever the current folder and PATH.
std::string ProgramFolder();
#endif

}  // namespace dirscribe::platform::console
