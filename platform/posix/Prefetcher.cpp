// Prefetcher: helpers take the earliest folder in walk order that is waiting, read it, stat its
// entries and queue its sub-folders; the walker takes each folder when it gets there, reading
// it itself when no helper has begun it, so it never waits for a folder nobody reads.
#include "platform/posix/Prefetcher.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>

namespace dirscribe::platform::posix {

namespace {

// How far the helpers may run ahead of the walker.
constexpr std::size_t kMaxAheadFolders = 512;
constexpr std::size_t kMaxAheadBytes = std::size_t{24} << 20;

bool IsSkippedName(std::string_view name) {
    return name == "pagefile.sys";
}

}  // namespace

SharedDescriptor::~SharedDescriptor() {
    if (fd_ >= 0) close(fd_);
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
        workAvailable_.wait(lock, [&] {
            return stop_ || (!pending_.empty() && aheadFolders_ < kMaxAheadFolders &&
                             aheadBytes_ < kMaxAheadBytes);
        });
        if (stop_) return;
        std::shared_ptr<FolderNode> node = *pending_.begin();
        pending_.erase(pending_.begin());
        node->state = FolderNode::State::Working;
        ++aheadFolders_;
        lock.unlock();
        Read(*node, buffers);
        lock.lock();
        Publish(node, true);
    }
}

void Prefetcher::Read(FolderNode& node, ReadBuffers& buffers) {
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
    node.openError = ReadListing(fd, buffers, node.listing);
    if (node.openError != 0 || !ReadAhead(fd, plan_, node.listing)) {
        close(fd);
        node.cost = node.listing.Cost();
        return;
    }
    std::shared_ptr<SharedDescriptor> shared;
    const auto& listing = node.listing;
    for (const Record& record : listing.records) {
        if ((record.flags & kSubFolder) == 0 || IsSkippedName(listing.NameOf(record))) continue;
        if (!shared) shared = std::make_shared<SharedDescriptor>(fd);
        auto child = std::make_shared<FolderNode>();
        child->name = listing.NameOf(record);
        child->path.reserve(node.path.size() + child->name.size() + 1);
        child->path.append(node.path).append(child->name).push_back('/');
        child->order = node.order;
        child->order.push_back(static_cast<std::uint32_t>(node.children.size()));
        child->parentFd = shared;
        node.children.push_back(std::move(child));
    }
    if (!shared) close(fd);
    node.cost = node.listing.Cost();
}

void Prefetcher::Publish(const std::shared_ptr<FolderNode>& node, bool byHelper) {
    node->byHelper = byHelper;
    if (node->dropWhenDone) {
        node->state = FolderNode::State::Dropped;
        if (byHelper) --aheadFolders_;
        node->listing = Listing();
        node->children.clear();
    } else {
        node->state = FolderNode::State::Done;
        if (byHelper) aheadBytes_ += node->cost;
        if (!stop_) {
            for (const auto& child : node->children) pending_.insert(child);
        }
    }
    folderDone_.notify_all();
    workAvailable_.notify_all();
}

std::shared_ptr<FolderNode> Prefetcher::TakeLocked(std::unique_lock<std::mutex>& lock,
                                                   const std::shared_ptr<FolderNode>& node) {
    if (node->state == FolderNode::State::Pending) {
        pending_.erase(node);
        node->state = FolderNode::State::Working;
        lock.unlock();
        Read(*node, ownerBuffers_);
        lock.lock();
        Publish(node, false);
    } else if (node->state == FolderNode::State::Working) {
        folderDone_.wait(lock, [&] { return node->state != FolderNode::State::Working; });
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
                                                  const std::string& path) {
    std::unique_lock<std::mutex> lock(mutex_);
    while (parent.nextChild < parent.children.size()) {
        std::shared_ptr<FolderNode> child = parent.children[parent.nextChild++];
        if (child->name == name) return TakeLocked(lock, child);
        // The walker went past this one (it was aborted or could not be read).
        DropLocked(*child);
    }
    // A folder nobody foresaw (its attributes failed ahead and were read again): read it now;
    // its own sub-folders are read ahead as usual.
    auto node = std::make_shared<FolderNode>();
    node->path = path;
    node->name = name;
    node->order = parent.order;
    node->order.push_back(static_cast<std::uint32_t>(parent.nextChild));
    return TakeLocked(lock, node);
}

void Prefetcher::DropLocked(FolderNode& node) {
    switch (node.state) {
        case FolderNode::State::Pending:
            if (auto it = pending_.find(&node); it != pending_.end()) pending_.erase(it);
            node.state = FolderNode::State::Dropped;
            node.parentFd.reset();
            break;
        case FolderNode::State::Working:
            node.dropWhenDone = true;
            break;
        case FolderNode::State::Done:
            if (node.byHelper) {
                --aheadFolders_;
                aheadBytes_ -= node.cost;
            }
            node.state = FolderNode::State::Dropped;
            node.listing = Listing();
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

}  // namespace dirscribe::platform::posix
