// SPDX-License-Identifier: MIT
// SystemCallFaults: the walk's system calls with failures put in below the read-ahead threads,
// and a folder's entry types hidden, as some file systems never give them.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/linux/SystemCalls.h"

namespace dirscribe::test {

enum class SysCall { OpenAt, GetDents64, FstatAt, Fstat, Lseek, Stat, Realpath };

// One planned failure: `call` on the path ending in `pathSuffix` (a whole name or more, e.g.
// "a/b.txt") fails with `error`, `times` times (-1: every time). getdents64 fails only after
// it has given the folder's first few entries. For fstatat, `statFlags` (if not -1) must be
// the call's flags too.
struct SysFault {
    SysCall call;
    std::string pathSuffix;
    int error;
    int times = -1;
    int statFlags = -1;
};

// While alive, the walk's system calls go through this. Make and end it while no walk runs.
class SystemCallFaults {
  public:
    // `hideTypes`: every entry getdents64 gives has the type DT_UNKNOWN.
    explicit SystemCallFaults(std::vector<SysFault> faults, bool hideTypes = false);
    ~SystemCallFaults();
    SystemCallFaults(const SystemCallFaults&) = delete;
    SystemCallFaults& operator=(const SystemCallFaults&) = delete;

    // The fstatat calls that follow links (the details of files and link targets) begun so
    // far, and whether such calls wait before they are made. Neither orders anything between
    // threads, so a test that waits on them hides no data race from the thread sanitizer.
    std::size_t DetailReads() const { return detailReads_.load(std::memory_order_relaxed); }
    void HoldDetailReads(bool hold) { holdDetails_.store(hold, std::memory_order_relaxed); }

  private:
    // The fault with failures left for a call on `path` (with fstatat's `flags`), or null; `take`
    // counts it as given.
    const SysFault* Find(SysCall call, const std::string& path, int flags, bool take);

    static int OpenAt(int dirFd, const char* name, int flags);
    static ssize_t GetDents64(int fd, void* buffer, std::size_t size);
    static int FstatAt(int dirFd, const char* name, struct stat* st, int flags);
    static int Fstat(int fd, struct stat* st);
    static off_t Lseek(int fd, off_t offset, int whence);
    static int Stat(const char* path, struct stat* st);
    static char* Realpath(const char* path);

    static SystemCallFaults* active_;
    std::vector<SysFault> faults_;
    bool hideTypes_;
    std::unique_ptr<std::atomic<int>[]> given_;  // by fault, the failures given so far
    std::atomic<std::size_t> detailReads_{0};
    std::atomic<bool> holdDetails_{false};
    platform::linuxos::ScopedSystemCalls installed_;
};

}  // namespace dirscribe::test
