// SPDX-License-Identifier: MIT
// RunUnprivileged: permission tests as an ordinary user, also when the tests run as root (POSIX).
#pragma once

namespace dirscribe::test {

// Runs `fn` in a child process without root's rights to the file system (as "nobody" when the
// tests run as root), so that permission tests mean the same as for a user. Returns the
// child's exit status; `fn` returns the status to exit with.
int RunUnprivileged(int (*fn)(void*), void* arg);

}  // namespace dirscribe::test
