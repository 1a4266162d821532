// SPDX-License-Identifier: MIT
// OutputFile: what list files do alike on every system; the handles themselves are each
// system's (OutputFilePosix.cpp, OutputFileWin32.cpp).
#include "platform/OutputFile.h"

#include <atomic>
#include <cstdint>
#include <type_traits>
#include <utility>

namespace dirscribe::platform {

namespace {

// The lines each open list file has waiting, for a signal handler to write: only lock-free
// atomics, which such a handler may read.
struct Waiting {
    std::atomic<bool> used{false};
    std::atomic<std::intptr_t> handle{0};
    std::atomic<const char*> data{nullptr};
    std::atomic<std::size_t> size{0};
};
constexpr int kWaitingFiles = 8;

// A handle (a descriptor, or a Windows handle) as a number, and back.
template <class H>
std::intptr_t ToNumber(H handle) {
    if constexpr (std::is_pointer_v<H>) {
        return reinterpret_cast<std::intptr_t>(handle);
    } else {
        return static_cast<std::intptr_t>(handle);
    }
}
template <class H>
H FromNumber(std::intptr_t number) {
    if constexpr (std::is_pointer_v<H>) {
        return reinterpret_cast<H>(number);
    } else {
        return static_cast<H>(number);
    }
}
Waiting g_waiting[kWaitingFiles];

}  // namespace

void OutputFile::ShowWaiting(const char* data, std::size_t size) noexcept {
    if (waitingSlot_ < 0) {
        if (size == 0 || !IsOpen()) return;
        for (int i = 0; i < kWaitingFiles && waitingSlot_ < 0; ++i) {
            bool expected = false;
            if (g_waiting[i].used.compare_exchange_strong(expected, true)) waitingSlot_ = i;
        }
        if (waitingSlot_ < 0) return;
        g_waiting[waitingSlot_].handle.store(ToNumber(handle_));
    }
    Waiting& slot = g_waiting[waitingSlot_];
    // None first: a handler in between sees no bytes rather than another buffer's. Called for
    // every line, so no stronger order than a handler on another thread needs (Windows).
    slot.size.store(0, std::memory_order_relaxed);
    slot.data.store(data, std::memory_order_release);
    slot.size.store(data != nullptr ? size : 0, std::memory_order_release);
}

void OutputFile::ForgetWaiting() noexcept {
    if (waitingSlot_ < 0) return;
    Waiting& slot = g_waiting[waitingSlot_];
    slot.size.store(0);
    slot.data.store(nullptr);
    slot.used.store(false);
    waitingSlot_ = -1;
}

void OutputFile::WriteWaitingLines() noexcept {
    for (Waiting& slot : g_waiting) {
        if (!slot.used.load()) continue;
        const std::size_t size = slot.size.load(std::memory_order_acquire);
        const char* data = slot.data.load(std::memory_order_acquire);
        if (size == 0 || data == nullptr) continue;
        slot.size.store(0);  // once
        WriteAtTheEnd(FromNumber<Handle>(slot.handle.load()), data, size);
    }
}

OutputFile::~OutputFile() {
    ForgetWaiting();
    if (!IsOpen() || !ownsHandle_) return;
    // Given up before its first byte: a list that was not there is not left behind empty.
    if (created_ && !wroteAny_) {
        ReleaseAndRemove();
    } else {
        Release(handle_);
    }
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : handle_(std::exchange(other.handle_, kNoHandle)),
      ownsHandle_(other.ownsHandle_),
      emptyPending_(std::exchange(other.emptyPending_, false)),
      partialLine_(std::exchange(other.partialLine_, 0)),
      waitingSlot_(std::exchange(other.waitingSlot_, -1)),
      created_(std::exchange(other.created_, false)),
      wroteAny_(std::exchange(other.wroteAny_, false)),
      path_(std::move(other.path_)),
      identity_(other.identity_) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
    if (this != &other) {
        ForgetWaiting();
        if (IsOpen() && ownsHandle_) Release(handle_);  // a moved-to list is one written
        handle_ = std::exchange(other.handle_, kNoHandle);
        ownsHandle_ = other.ownsHandle_;
        emptyPending_ = std::exchange(other.emptyPending_, false);
        partialLine_ = std::exchange(other.partialLine_, 0);
        waitingSlot_ = std::exchange(other.waitingSlot_, -1);
        created_ = std::exchange(other.created_, false);
        wroteAny_ = std::exchange(other.wroteAny_, false);
        path_ = std::move(other.path_);
        identity_ = other.identity_;
    }
    return *this;
}

OutputFile OutputFile::Adopt(Handle handle, bool owns, std::string path) {
    OutputFile file;
    file.handle_ = handle;
    file.ownsHandle_ = owns;
    file.path_ = std::move(path);
    if (file.IsOpen()) file.identity_ = IdentityOf(handle);
    return file;
}

OutputFile OutputFile::StandardOutput() {
    return Adopt(StandardOutputHandle(), false, "standard output");
}

}  // namespace dirscribe::platform
