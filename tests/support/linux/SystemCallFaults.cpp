// SPDX-License-Identifier: MIT
// SystemCallFaults: each call is matched by the full path it works on (a descriptor's path
// read from /proc), then failed, changed or passed to the system.
#include "support/linux/SystemCallFaults.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <utility>

namespace dirscribe::test {

namespace {

using platform::linuxos::kRealSystemCalls;

// The path `name` stands for relative to the folder `dirFd`, without a trailing "/".
std::string PathOf(int dirFd, const char* name) {
    std::string path;
    if (dirFd != AT_FDCWD && name[0] != '/') {
        char target[4096];
        const std::string link = "/proc/self/fd/" + std::to_string(dirFd);
        const ssize_t got = readlink(link.c_str(), target, sizeof target);
        if (got > 0) path.assign(target, static_cast<std::size_t>(got));
        path.push_back('/');
    }
    path.append(name);
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

bool EndsWithName(const std::string& path, const std::string& suffix) {
    if (path.size() < suffix.size() ||
        path.compare(path.size() - suffix.size(), suffix.size(), suffix) != 0) {
        return false;
    }
    return path.size() == suffix.size() || path[path.size() - suffix.size() - 1] == '/';
}

}  // namespace

SystemCallFaults* SystemCallFaults::active_ = nullptr;

SystemCallFaults::SystemCallFaults(std::vector<SysFault> faults, bool hideTypes)
    : faults_(std::move(faults)),
      hideTypes_(hideTypes),
      given_(std::make_unique<std::atomic<int>[]>(faults_.size())),
      installed_(
          {OpenAt, GetDents64, FstatAt, kRealSystemCalls.close, Fstat, Lseek, Stat, Realpath}) {
    active_ = this;
}

SystemCallFaults::~SystemCallFaults() {
    active_ = nullptr;
}

const SysFault* SystemCallFaults::Find(SysCall call, const std::string& path, int flags,
                                       bool take) {
    for (std::size_t i = 0; i < faults_.size(); ++i) {
        const SysFault& fault = faults_[i];
        if (fault.call != call || !EndsWithName(path, fault.pathSuffix)) continue;
        if (fault.statFlags != -1 && fault.statFlags != flags) continue;
        // Relaxed: the faults must not order the threads' work, or they would hide its races.
        if (fault.times < 0) return &fault;
        if (!take) {
            if (given_[i].load(std::memory_order_relaxed) < fault.times) return &fault;
        } else if (given_[i].fetch_add(1, std::memory_order_relaxed) < fault.times) {
            return &fault;
        }
    }
    return nullptr;
}

int SystemCallFaults::OpenAt(int dirFd, const char* name, int flags) {
    if (const SysFault* fault = active_->Find(SysCall::OpenAt, PathOf(dirFd, name), 0, true)) {
        errno = fault->error;
        return -1;
    }
    return kRealSystemCalls.openAt(dirFd, name, flags);
}

int SystemCallFaults::FstatAt(int dirFd, const char* name, struct stat* st, int flags) {
    if ((flags & AT_SYMLINK_NOFOLLOW) == 0) {
        active_->detailReads_.fetch_add(1, std::memory_order_relaxed);
        while (active_->holdDetails_.load(std::memory_order_relaxed))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (const SysFault* fault = active_->Find(SysCall::FstatAt, PathOf(dirFd, name), flags, true)) {
        errno = fault->error;
        return -1;
    }
    return kRealSystemCalls.fstatAt(dirFd, name, st, flags);
}

int SystemCallFaults::Fstat(int fd, struct stat* st) {
    if (const SysFault* fault = active_->Find(SysCall::Fstat, PathOf(fd, ""), 0, true)) {
        errno = fault->error;
        return -1;
    }
    return kRealSystemCalls.fstat(fd, st);
}

off_t SystemCallFaults::Lseek(int fd, off_t offset, int whence) {
    if (const SysFault* fault = active_->Find(SysCall::Lseek, PathOf(fd, ""), 0, true)) {
        errno = fault->error;
        return -1;
    }
    return kRealSystemCalls.lseek(fd, offset, whence);
}

int SystemCallFaults::Stat(const char* path, struct stat* st) {
    if (const SysFault* fault = active_->Find(SysCall::Stat, PathOf(AT_FDCWD, path), 0, true)) {
        errno = fault->error;
        return -1;
    }
    return kRealSystemCalls.stat(path, st);
}

char* SystemCallFaults::Realpath(const char* path) {
    if (const SysFault* fault = active_->Find(SysCall::Realpath, PathOf(AT_FDCWD, path), 0, true)) {
        errno = fault->error;
        return nullptr;
    }
    return kRealSystemCalls.realpath(path);
}

ssize_t SystemCallFaults::GetDents64(int fd, void* buffer, std::size_t size) {
    const std::string path = PathOf(fd, "");
    if (active_->Find(SysCall::GetDents64, path, 0, false) != nullptr) {
        // A few entries first, from the folder's beginning; the failure on the next call.
        if (lseek(fd, 0, SEEK_CUR) == 0) {
            size = std::min<std::size_t>(size, 256);
        } else if (const SysFault* fault = active_->Find(SysCall::GetDents64, path, 0, true)) {
            errno = fault->error;
            return -1;
        }
    }
    const ssize_t got = kRealSystemCalls.getDents64(fd, buffer, size);
    if (active_->hideTypes_) {
        auto* bytes = static_cast<char*>(buffer);
        for (ssize_t pos = 0; pos < got;) {
            auto* dirent = reinterpret_cast<struct dirent64*>(bytes + pos);
            dirent->d_type = DT_UNKNOWN;
            pos += dirent->d_reclen;
        }
    }
    return got;
}

}  // namespace dirscribe::test
