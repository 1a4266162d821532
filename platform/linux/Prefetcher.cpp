// SPDX-License-Identifier: MIT
// Prefetcher: helpers take the earliest work in walk order: listing a folder that is waiting
// (which queues its sub-folders), or a chunk of a listed folder's files to stat. The walker
// takes each folder when it gets there and each file's details when it needs them, doing the
// work itself when no helper has begun it, so it never waits for work nobody does.
#include "platform/linux/Prefetcher.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>

#include "platform/linux/SystemCalls.h"

namespace dirscribe::platform::linuxos {

namespace {

// How far the helpers may run ahead of the walker.
constexpr std::size_t kMaxAheadFolders = 512;
constexpr std::size_t kMaxAheadBytes = std::size_t{24} << 20;

}  // namespace

SharedDescriptor::~SharedDescriptor() {
    if (fd_ >= 0) Sys().close(fd_);
}

Prefetcher::Prefetcher(int threads, std::unique_ptr<MaskMatcher> mask, dev_t device,
                       bool knowDevice)
    : mask_(std::move(mask)) {
    plan_.mask = mask_.get();
    plan_.device = device;
    plan_.knowDevice = knowDevice;
    plan_.stop = &stop_;
    for (int i = 0; i < threads; ++i) threads_.emplace_back([this] { Work(); });
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

void Prefetcher::Work() {
    ReadBuffers buffers;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        const auto mayList = [&] {
            return !pending_.empty() && aheadFolders_ < kMaxAheadFolders &&
                   aheadBytes_ < kMaxAheadBytes;
        };
        workAvailable_.wait(lock, [&] { return stop_ || !chunked_.empty() || mayList(); });
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
        lock.unlock();
        List(*pending, buffers);
        lock.lock();
        Publish(pending, true);
    }
}

void Prefetcher::List(FolderNode& node, ReadBuffers& buffers) {
    int fd = -1;
    if (node.parentFd) {
        fd = OpenAt(node.parentFd->Fd(), node.name.c_str(), true);
    } else {
        // The start folder may be reached through a link; a folder below it may not.
        fd = OpenFolderPath(node.path, !node.name.empty());
    }
    const int openErrno = fd < 0 ? errno : 0;
    node.parentFd.reset();
    if (fd < 0) {
        node.openError = openErrno;
        return;
    }
    if (struct stat st{}; fstat(fd, &st) == 0) node.id = FolderId{st.st_dev, st.st_ino};
    node.openError = ReadListing(fd, buffers, node.listing);
    node.cost = node.listing.Cost();
    if (node.openError != 0 || !ReadAheadFolders(fd, plan_, node.listing)) {
        Sys().close(fd);
        return;
    }
    auto shared = std::make_shared<SharedDescriptor>(fd);
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
        node.children.push_back(std::move(child));
    }
    if (plan_.mask != nullptr && !listing.records.empty()) {
        node.chunkCount = (listing.records.size() + FolderNode::kChunk - 1) / FolderNode::kChunk;
        node.chunks = std::make_unique<std::atomic<std::uint8_t>[]>(node.chunkCount);
        for (std::size_t c = 0; c < node.chunkCount; ++c) node.chunks[c].store(FolderNode::kTodo);
        node.chunksLeft = node.chunkCount;
        node.fd = shared;
    }
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
        // Nobody has begun it: the walker reads it itself rather than wait.
        std::shared_ptr<SharedDescriptor> fd = node.fd;
        lock.unlock();
        ReadChunk(node, c, fd->Fd());
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
    if (node->state == FolderNode::State::Pending) {
        pending_.erase(node);
        node->state = FolderNode::State::Listing;
        lock.unlock();
        List(*node, ownerBuffers_);
        lock.lock();
        Publish(node, false);
    } else if (node->state == FolderNode::State::Listing) {
        progress_.wait(lock, [&] { return node->state != FolderNode::State::Listing; });
    }
    if (node->byHelper) {
        --aheadFolders_;
        aheadBytes_ -= node->cost;
        workAvailable_.notify_all();
    }
    node->state = FolderNode::State::Taken;
    return node;
}

std::shared_ptr<FolderNode> Prefetcher::TakeStart(const std::string& path) {
    auto node = std::make_shared<FolderNode>();
    node->path = path;
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
