// SPDX-License-Identifier: MIT
// Prefetcher: helpers take the earliest work in walk order: listing a folder that is waiting
// (which queues its sub-folders), or a chunk of a listed folder's files to stat. The walker
// takes each folder when it gets there and each file's details when it needs them, doing the
// work itself when no helper has begun it, so it never waits for work nobody does.
#include "platform/linux/Prefetcher.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>

#include "platform/linux/Errors.h"
#include "platform/linux/PathTools.h"
#include "platform/linux/SystemCalls.h"

namespace dirscribe::platform::linuxos {

namespace {

// How far the helpers may run ahead of the walker.
constexpr std::size_t kMaxAheadFolders = 512;
constexpr std::size_t kMaxAheadBytes = std::size_t{24} << 20;
// How long helpers wait before opening again after the system had no descriptor to give.
constexpr auto kOpenPause = std::chrono::milliseconds(2);

bool OutOfDescriptors(int err) {
    return err == EMFILE || err == ENFILE;
}

}  // namespace

SharedDescriptor::SharedDescriptor(int fd, std::shared_ptr<DescriptorPool> pool)
    : fd_(fd), pool_(std::move(pool)) {
    std::lock_guard<std::mutex> lock(pool_->mutex);
    pool_->live.insert(this);
}

SharedDescriptor::~SharedDescriptor() {
    {
        std::lock_guard<std::mutex> lock(pool_->mutex);
        pool_->live.erase(this);
    }
    if (fd_ >= 0) {
        Sys().close(fd_);
        pool_->open.fetch_sub(1, std::memory_order_relaxed);
    }
}

Prefetcher::Prefetcher(int threads, std::unique_ptr<MaskMatcher> mask, dev_t device,
                       bool knowDevice, int descriptors)
    : mask_(std::move(mask)), maxDescriptors_(descriptors) {
    plan_.mask = mask_.get();
    plan_.device = device;
    plan_.knowDevice = knowDevice;
    plan_.stop = &stop_;
    // The helpers take no signal: a handler then always runs on the walker's thread, between
    // two of its steps, never beside them.
    sigset_t all;
    sigset_t saved;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &saved);
    for (int i = 0; i < threads; ++i) threads_.emplace_back([this] { Work(); });
    pthread_sigmask(SIG_SETMASK, &saved, nullptr);
}

Prefetcher::~Prefetcher() {
    Stop();
}

void Prefetcher::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
        pending_.clear();
        chunked_.clear();
    }
    workAvailable_.notify_all();
    for (auto& t : threads_) {
        if (t.joinable()) t.join();
    }
    threads_.clear();
}

void Prefetcher::GiveBackDescriptors() {
    Stop();
    // No helper is left; the walker uses none of these descriptors once it has asked for this.
    std::lock_guard<std::mutex> lock(pool_->mutex);
    for (SharedDescriptor* descriptor : pool_->live) {
        if (descriptor->fd_ < 0) continue;
        Sys().close(descriptor->fd_);
        descriptor->fd_ = -1;
        pool_->open.fetch_sub(1, std::memory_order_relaxed);
    }
}

bool Prefetcher::RoomToOpen() const {
    if (pool_->open.load(std::memory_order_relaxed) >= maxDescriptors_) return false;
    return openPause_ == std::chrono::steady_clock::time_point{} ||
           std::chrono::steady_clock::now() >= openPause_;
}

void Prefetcher::Work() {
    ReadBuffers buffers;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        const auto mayList = [&] {
            return !pending_.empty() && aheadFolders_ < kMaxAheadFolders &&
                   aheadBytes_ < kMaxAheadBytes && RoomToOpen();
        };
        if (!stop_ && chunked_.empty() && !mayList()) {
            // Descriptors are given back without a word: a folder waiting only for one is
            // looked at again shortly.
            if (!pending_.empty() && aheadFolders_ < kMaxAheadFolders &&
                aheadBytes_ < kMaxAheadBytes) {
                workAvailable_.wait_for(lock, kOpenPause);
            } else {
                workAvailable_.wait(lock);
            }
            continue;
        }
        if (stop_) return;
        std::shared_ptr<FolderNode> chunked = chunked_.empty() ? nullptr : *chunked_.begin();
        std::shared_ptr<FolderNode> pending = mayList() ? *pending_.begin() : nullptr;
        if (chunked && (!pending || WalkOrder()(chunked, pending))) {
            std::size_t chunk = 0;
            std::shared_ptr<SharedDescriptor> fd;
            if (!ClaimChunkLocked(*chunked, chunk, fd)) {
                chunked_.erase(chunked);
                continue;
            }
            lock.unlock();
            ReadChunk(*chunked, chunk, fd->Fd());
            fd.reset();
            lock.lock();
            FinishChunkLocked(*chunked, chunk);
            continue;
        }
        pending_.erase(pending_.begin());
        pending->state = FolderNode::State::Listing;
        ++aheadFolders_;
        pool_->open.fetch_add(1, std::memory_order_relaxed);
        lock.unlock();
        const bool listed = List(*pending, buffers);
        lock.lock();
        if (listed) {
            Publish(pending, true);
        } else {
            LeaveLocked(pending);
        }
    }
}

void Prefetcher::LeaveLocked(const std::shared_ptr<FolderNode>& node) {
    --aheadFolders_;
    openPause_ = std::chrono::steady_clock::now() + kOpenPause;
    if (node->dropWhenListed) {
        node->state = FolderNode::State::Dropped;
        node->parentFd.reset();
    } else {
        node->state = FolderNode::State::Pending;
        if (!stop_) pending_.insert(node);
    }
    progress_.notify_all();
}

bool Prefetcher::List(FolderNode& node, ReadBuffers& buffers) {
    int fd = -1;
    if (node.parentFd) {
        fd = OpenAt(node.parentFd->Fd(), node.name.c_str(), true);
    } else {
        // The start folder may be reached through a link; a folder below it may not.
        fd = OpenFolderPath(node.path, !node.name.empty());
    }
    const int openErrno = fd < 0 ? errno : 0;
    const auto giveBack = [&] {
        Sys().close(fd);
        pool_->open.fetch_sub(1, std::memory_order_relaxed);
    };
    if (fd < 0) {
        pool_->open.fetch_sub(1, std::memory_order_relaxed);
        // Not the folder's fault: it is read once a descriptor is free.
        if (OutOfDescriptors(openErrno)) return false;
        node.parentFd.reset();
        node.openError = openErrno;
        return true;
    }
    node.parentFd.reset();
    if (struct stat st{}; Sys().fstat(fd, &st) == 0) {
        node.id = FolderId{st.st_dev, st.st_ino};
        // Another folder put in the place of the one the parent's listing found.
        if (node.judgedInode != 0 &&
            (st.st_ino != node.judgedInode || (plan_.knowDevice && st.st_dev != plan_.device))) {
            giveBack();
            node.openError = kFolderReplaced;
            return true;
        }
    }
    node.openError = ReadListing(fd, buffers, node.listing, &plan_);
    node.cost = node.listing.Cost();
    if (node.openError != 0 || !ReadAheadFolders(fd, plan_, node.listing)) {
        giveBack();
        return true;
    }
    auto shared = std::make_shared<SharedDescriptor>(fd, pool_);
    const auto& listing = node.listing;
    // A folder as deep as reading ahead goes gets no children (TakeChild gives none either).
    for (std::size_t i = 0; i < listing.records.size() && !IsTooDeep(node); ++i) {
        const Record& record = listing.records[i];
        if ((record.flags & kSubFolder) == 0 || IsSkippedName(listing.NameOf(record))) continue;
        auto child = std::make_shared<FolderNode>();
        child->name = listing.NameOf(record);
        child->order = node.order;
        child->order.push_back(static_cast<std::uint32_t>(node.children.size()));
        child->parentFd = shared;
        child->judgedInode = listing.inodes[i];
        node.children.push_back(std::move(child));
    }
    if (plan_.mask != nullptr && !listing.records.empty()) {
        node.chunkCount = (listing.records.size() + FolderNode::kChunk - 1) / FolderNode::kChunk;
        node.chunks = std::make_unique<std::atomic<std::uint8_t>[]>(node.chunkCount);
        for (std::size_t c = 0; c < node.chunkCount; ++c) node.chunks[c].store(FolderNode::kTodo);
        node.chunksLeft = node.chunkCount;
        node.fd = shared;
    }
    return true;
}

void Prefetcher::Publish(const std::shared_ptr<FolderNode>& node, bool byHelper) {
    node->byHelper = byHelper;
    if (node->dropWhenListed) {
        node->state = FolderNode::State::Dropped;
        if (byHelper) --aheadFolders_;
        CancelChunksLocked(*node);
        node->children.clear();
    } else {
        node->state = FolderNode::State::Listed;
        if (byHelper) aheadBytes_ += node->cost;
        if (!stop_) {
            for (const auto& child : node->children) pending_.insert(child);
            if (node->chunksLeft > 0) chunked_.insert(node);
        }
    }
    progress_.notify_all();
    workAvailable_.notify_all();
}

bool Prefetcher::ClaimChunkLocked(FolderNode& node, std::size_t& chunk,
                                  std::shared_ptr<SharedDescriptor>& fd) {
    while (node.nextChunk < node.chunkCount) {
        const std::size_t c = node.nextChunk++;
        std::uint8_t expected = FolderNode::kTodo;
        if (node.chunks[c].compare_exchange_strong(expected, FolderNode::kWorking)) {
            chunk = c;
            fd = node.fd;
            return true;
        }
    }
    return false;
}

void Prefetcher::ReadChunk(FolderNode& node, std::size_t chunk, int fd) {
    const std::size_t begin = chunk * FolderNode::kChunk;
    ReadAheadFiles(fd, plan_, node.listing, begin, begin + FolderNode::kChunk);
}

void Prefetcher::FinishChunkLocked(FolderNode& node, std::size_t chunk) {
    node.chunks[chunk].store(FolderNode::kDone, std::memory_order_release);
    if (--node.chunksLeft == 0) node.fd.reset();
    progress_.notify_all();
}

void Prefetcher::AwaitRecord(FolderNode& node, std::size_t index) {
    if (node.chunkCount == 0) return;
    const std::size_t c = index / FolderNode::kChunk;
    if (c >= node.chunkCount) return;
    if (node.chunks[c].load(std::memory_order_acquire) == FolderNode::kDone) return;
    std::unique_lock<std::mutex> lock(mutex_);
    std::uint8_t expected = FolderNode::kTodo;
    if (node.chunks[c].compare_exchange_strong(expected, FolderNode::kWorking)) {
        // Nobody has begun it: the walker reads it itself rather than wait (or, once the
        // descriptors were given back, record by record as it needs them).
        std::shared_ptr<SharedDescriptor> fd = node.fd;
        lock.unlock();
        if (fd && fd->Fd() >= 0) ReadChunk(node, c, fd->Fd());
        fd.reset();
        lock.lock();
        FinishChunkLocked(node, c);
        return;
    }
    progress_.wait(
        lock, [&] { return node.chunks[c].load(std::memory_order_acquire) == FolderNode::kDone; });
}

std::shared_ptr<FolderNode> Prefetcher::TakeLocked(std::unique_lock<std::mutex>& lock,
                                                   const std::shared_ptr<FolderNode>& node) {
    // A helper may give a folder back unlisted (no descriptor): then the walker lists it.
    progress_.wait(lock, [&] { return node->state != FolderNode::State::Listing; });
    if (node->state == FolderNode::State::Pending) {
        if (auto it = pending_.find(node); it != pending_.end()) pending_.erase(it);
        if (node->parentFd && node->parentFd->Fd() < 0) {
            node->state = FolderNode::State::Dropped;
            return nullptr;
        }
        node->state = FolderNode::State::Listing;
        pool_->open.fetch_add(1, std::memory_order_relaxed);
        lock.unlock();
        const bool listed = List(*node, ownerBuffers_);
        lock.lock();
        if (!listed) {
            node->state = FolderNode::State::Dropped;
            node->parentFd.reset();
            progress_.notify_all();
            return nullptr;
        }
        Publish(node, false);
    }
    if (node->byHelper) {
        --aheadFolders_;
        aheadBytes_ -= node->cost;
        workAvailable_.notify_all();
    }
    node->state = FolderNode::State::Taken;
    return node;
}

std::shared_ptr<FolderNode> Prefetcher::TakeStart(const std::string& path, int startFd) {
    auto node = std::make_shared<FolderNode>();
    node->path = path;
    if (startFd >= 0) {
        // Opened again from the descriptor, not by the path: it is the folder already judged.
        const int fd = RetryOnInterrupt([&] { return fcntl(startFd, F_DUPFD_CLOEXEC, 0); });
        if (fd >= 0) {
            pool_->open.fetch_add(1, std::memory_order_relaxed);
            node->parentFd = std::make_shared<SharedDescriptor>(fd, pool_);
            node->name = ".";
        }
    }
    std::unique_lock<std::mutex> lock(mutex_);
    return TakeLocked(lock, node);
}

std::shared_ptr<FolderNode> Prefetcher::TakeChild(FolderNode& parent, std::string_view name,
                                                  const std::function<std::string()>& path) {
    if (IsTooDeep(parent)) return nullptr;
    std::unique_lock<std::mutex> lock(mutex_);
    while (parent.nextChild < parent.children.size()) {
        std::shared_ptr<FolderNode> child = parent.children[parent.nextChild++];
        if (child->name == name) return TakeLocked(lock, child);
        // The walker went past this one (it was aborted or could not be read).
        DropLocked(*child);
    }
    // A folder nobody foresaw (its attributes failed ahead and were read again): list it now;
    // its own sub-folders are read ahead as usual.
    auto node = std::make_shared<FolderNode>();
    node->path = path();
    node->name = name;
    node->order = parent.order;
    node->order.push_back(static_cast<std::uint32_t>(parent.nextChild));
    return TakeLocked(lock, node);
}

void Prefetcher::CancelChunksLocked(FolderNode& node) {
    for (std::size_t c = 0; c < node.chunkCount; ++c) {
        std::uint8_t expected = FolderNode::kTodo;
        if (node.chunks[c].compare_exchange_strong(expected, FolderNode::kDone)) {
            if (--node.chunksLeft == 0) node.fd.reset();
        }
    }
    if (auto it = chunked_.find(&node); it != chunked_.end()) chunked_.erase(it);
}

void Prefetcher::DropLocked(FolderNode& node) {
    switch (node.state) {
        case FolderNode::State::Pending:
            if (auto it = pending_.find(&node); it != pending_.end()) pending_.erase(it);
            node.state = FolderNode::State::Dropped;
            node.parentFd.reset();
            break;
        case FolderNode::State::Listing:
            node.dropWhenListed = true;
            break;
        case FolderNode::State::Listed:
            if (node.byHelper) {
                --aheadFolders_;
                aheadBytes_ -= node.cost;
            }
            node.state = FolderNode::State::Dropped;
            CancelChunksLocked(node);
            for (const auto& child : node.children) DropLocked(*child);
            node.children.clear();
            break;
        case FolderNode::State::Taken:
        case FolderNode::State::Dropped:
            break;
    }
    workAvailable_.notify_all();
}

void Prefetcher::Finish(FolderNode& node) {
    std::lock_guard<std::mutex> lock(mutex_);
    while (node.nextChild < node.children.size()) DropLocked(*node.children[node.nextChild++]);
    node.children.clear();
    CancelChunksLocked(node);
}

int PrefetchThreadsFor(dev_t device) {
    int threads = 3;
    if (const char* env = std::getenv("DIRSCRIBE_READ_THREADS"); env != nullptr && *env != '\0') {
        threads = std::atoi(env);
        if (threads < 0) threads = 0;
        if (threads > 16) threads = 16;
    }
    if (threads == 0) return 0;
    const unsigned maj = major(device);
    const unsigned min = minor(device);
    // CD and DVD drives (SCSI optical, and the old IDE ones) read best one place at a time.
    if (maj == 11) return 0;
    if (maj == 0) return threads;  // no block device: network, memory or pooled file systems
    const std::string base = "/sys/dev/block/" + std::to_string(maj) + ":" + std::to_string(min);
    // Virtual disks report themselves as rotating whatever holds them; there the flag says nothing.
    std::ifstream uevent(base + "/uevent");
    for (std::string line; std::getline(uevent, line);) {
        if (line.rfind("DEVNAME=vd", 0) == 0 || line.rfind("DEVNAME=xvd", 0) == 0) return threads;
    }
    for (const char* rel : {"/queue/rotational", "/../queue/rotational"}) {
        std::ifstream in(base + rel);
        int rotational = 0;
        if (in >> rotational) return rotational != 0 ? 0 : threads;
    }
    return threads;
}

}  // namespace dirscribe::platform::linuxos
