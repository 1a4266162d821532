// SPDX-License-Identifier: MIT
// SystemCalls: the system calls the folder walk and its read-ahead threads make, reached
// through one table that a test may replace, to fail a call or hide what a folder tells.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>

namespace dirscribe::platform::linuxos {

// The calls, each with the system's meaning: a result of -1 sets errno. openat takes no mode,
// as the walk never creates anything.
struct SystemCalls {
    int (*openAt)(int dirFd, const char* name, int flags);
    ssize_t (*getDents64)(int fd, void* buffer, std::size_t size);
    int (*fstatAt)(int dirFd, const char* name, struct stat* st, int flags);
    int (*close)(int fd);
    int (*fstat)(int fd, struct stat* st);
    off_t (*lseek)(int fd, off_t offset, int whence);
    int (*stat)(const char* path, struct stat* st);
    // As realpath with a null buffer: the result is malloc'ed, for the caller to free.
    char* (*realpath)(const char* path);
};

// The system's own calls.
extern const SystemCalls kRealSystemCalls;

namespace detail {
extern SystemCalls installedSystemCalls;
}  // namespace detail

// The table every call of the walk goes through. It is read without a lock (a call through it
// costs one load more than a direct call), so it is replaced only while no walk is running.
inline const SystemCalls& Sys() {
    return detail::installedSystemCalls;
}

// Puts `calls` in place of the table for its lifetime and then puts back what was there. Made
// and ended while no walk is running: threads started in between see the replacement.
class ScopedSystemCalls {
  public:
    explicit ScopedSystemCalls(const SystemCalls& calls);
    ~ScopedSystemCalls();
    ScopedSystemCalls(const ScopedSystemCalls&) = delete;
    ScopedSystemCalls& operator=(const ScopedSystemCalls&) = delete;

  private:
    SystemCalls saved_;
};

}  // namespace dirscribe::platform::linuxos
