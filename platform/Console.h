// Console: what a command-line program needs of its process and terminal, behind one header
// for every OS: its arguments, Ctrl-C, standard error and a progress line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dirscribe::platform::console {

// Sets the process up for the program: the user's locale, and standard output for bytes as
// they are (on Windows no "\n" becomes "\r\n"). Returns the arguments as UTF-8 texts, the
// program's name first; on Windows they are read from the wide command line, so names the
// ANSI code page cannot hold arrive whole.
std::vector<std::string> Start(int argc, char** argv);

// From now on the first Ctrl-C (on Windows also Ctrl-Break) only sets the flag Interrupted()
// reads; a second one ends the program at once.
void CatchInterrupt();
// True once Ctrl-C was pressed after CatchInterrupt.
bool Interrupted();

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

}  // namespace dirscribe::platform::console
