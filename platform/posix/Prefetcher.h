// Prefetcher: helper threads that read folders and stat their entries ahead of the walker, in
// the order the walker will come to them, within a bounded amount of memory.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/posix/FolderListing.h"
#include "platform/posix/MaskMatcher.h"

namespace dirscribe::platform::posix {

// An open folder descriptor shared by the folders that still have to open themselves in it.
class SharedDescriptor {
  public:
    explicit SharedDescriptor(int fd) : fd_(fd) {}
    ~SharedDescriptor();
    SharedDescriptor(const SharedDescriptor&) = delete;
    SharedDescriptor& operator=(const SharedDescriptor&) = delete;
    int Fd() const { return fd_; }

  private:
    int fd_;
};

// One folder of the walk as the prefetcher knows it.
struct FolderNode {
    enum class State { Pending, Working, Done, Taken, Dropped };

    std::string path;                            // full path, ending in "/"
    std::string name;                            // name in the parent ("" for the start folder)
    std::vector<std::uint32_t> order;            // place in walk order: the indices down the tree
    std::shared_ptr<SharedDescriptor> parentFd;  // to open relative to, until opened
    State state = State::Pending;
    bool dropWhenDone = false;  // the walk went past while a helper was reading it

    // Results, valid once Done.
    int openError = 0;
    Listing listing;
    std::size_t cost = 0;
    std::vector<std::shared_ptr<FolderNode>> children;  // its sub-folders, in walk order
    std::size_t nextChild = 0;                          // the walker's place among them
    bool byHelper = false;                              // read by a helper thread
};

class Prefetcher {
  public:
    // `mask` null: no file details are wanted (folders only).
    Prefetcher(int threads, std::unique_ptr<MaskMatcher> mask, dev_t device, bool knowDevice);
    ~Prefetcher();
    Prefetcher(const Prefetcher&) = delete;
    Prefetcher& operator=(const Prefetcher&) = delete;

    // The walker's side. Each returns the folder read (by a helper, or now if none had begun
    // it), taken out of the prefetcher's accounts.
    std::shared_ptr<FolderNode> TakeStart(const std::string& path);
    std::shared_ptr<FolderNode> TakeChild(FolderNode& parent, std::string_view name,
                                          const std::string& path);
    // The walker has finished a folder: what of its sub-folders it did not take is dropped.
    void Finish(FolderNode& node);
    // Ends all reading ahead at once; the walker then reads what it still needs itself.
    void Stop();

  private:
    void Work();
    // Reads a folder and plans its sub-folders. Called without the lock.
    void Read(FolderNode& node, ReadBuffers& buffers);
    // Records the results of Read and queues the sub-folders. Called with the lock held.
    void Publish(const std::shared_ptr<FolderNode>& node, bool byHelper);
    void DropLocked(FolderNode& node);
    std::shared_ptr<FolderNode> TakeLocked(std::unique_lock<std::mutex>& lock,
                                           const std::shared_ptr<FolderNode>& node);

    // Earlier in walk order first; ties (folders the walker met unforeseen) by address.
    struct WalkOrder {
        using is_transparent = void;
        static const FolderNode* Raw(const FolderNode* n) { return n; }
        static const FolderNode* Raw(const std::shared_ptr<FolderNode>& n) { return n.get(); }
        template <class A, class B>
        bool operator()(const A& a, const B& b) const {
            const FolderNode* x = Raw(a);
            const FolderNode* y = Raw(b);
            if (x->order != y->order) return x->order < y->order;
            return x < y;
        }
    };

    std::unique_ptr<MaskMatcher> mask_;
    AheadPlan plan_;
    std::atomic<bool> stop_{false};
    ReadBuffers ownerBuffers_;

    std::mutex mutex_;
    std::condition_variable workAvailable_;
    std::condition_variable folderDone_;
    std::set<std::shared_ptr<FolderNode>, WalkOrder> pending_;
    std::size_t aheadFolders_ = 0;  // read or being read by helpers, not yet taken
    std::size_t aheadBytes_ = 0;
    std::vector<std::thread> threads_;
};

// How many helper threads suit the volume holding `path`: none on optical and rotating
// drives, where reading in parallel makes the drive seek; a few elsewhere.
int PrefetchThreadsFor(dev_t device);

}  // namespace dirscribe::platform::posix
