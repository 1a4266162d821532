// SPDX-License-Identifier: MIT
// SystemCalls: the table of the walk's system calls, set to the system's own.
#include "platform/linux/SystemCalls.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace dirscribe::platform::linuxos {

namespace {

// openat is variadic (and may be a checking wrapper), so it is called rather than pointed to.
int RealOpenAt(int dirFd, const char* name, int flags) {
    return ::openat(dirFd, name, flags);
}

ssize_t RealGetDents64(int fd, void* buffer, std::size_t size) {
    return ::getdents64(fd, buffer, size);
}

int RealFstatAt(int dirFd, const char* name, struct stat* st, int flags) {
    return ::fstatat(dirFd, name, st, flags);
}

int RealClose(int fd) {
    return ::close(fd);
}

int RealFstat(int fd, struct stat* st) {
    return ::fstat(fd, st);
}

off_t RealLseek(int fd, off_t offset, int whence) {
    return ::lseek(fd, offset, whence);
}

int RealStat(const char* path, struct stat* st) {
    return ::stat(path, st);
}

char* RealRealpath(const char* path) {
    return ::realpath(path, nullptr);
}

}  // namespace

constinit const SystemCalls kRealSystemCalls{RealOpenAt, RealGetDents64, RealFstatAt, RealClose,
                                             RealFstat,  RealLseek,      RealStat,    RealRealpath};

namespace detail {
constinit SystemCalls installedSystemCalls{RealOpenAt, RealGetDents64, RealFstatAt, RealClose,
                                           RealFstat,  RealLseek,      RealStat,    RealRealpath};
}  // namespace detail

ScopedSystemCalls::ScopedSystemCalls(const SystemCalls& calls)
    : saved_(detail::installedSystemCalls) {
    detail::installedSystemCalls = calls;
}

ScopedSystemCalls::~ScopedSystemCalls() {
    detail::installedSystemCalls = saved_;
}

}  // namespace dirscribe::platform::linuxos
