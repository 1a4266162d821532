// SPDX-License-Identifier: MIT
// ListCommand: dirscribe-cli START_FOLDER, one listing run as the window's Start button runs it.
#pragma once

#include "cli/CliFrontEnd.h"

namespace dirscribe::cli {

inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;

// Lists options.startFolder (as given) with the console as its front end. A start folder that
// is missing, no folder or cannot be read is named on standard error and nothing is written.
// Returns the exit status: kExitDone, kExitFailed when the run failed or lines of a list were
// lost, or the status of the signal that stopped the walk (130, 143, 129).
int RunList(CliOptions options);

}  // namespace dirscribe::cli
