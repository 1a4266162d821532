// SPDX-License-Identifier: MIT
// Prefetcher: helper threads that read folders and stat their entries ahead of the walker, in
// the order the walker will come to them, within a bounded amount of memory.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/linux/FolderListing.h"
#include "platform/linux/MaskMatcher.h"

namespace dirscribe::platform::linuxos {

class SharedDescriptor;

// The folder descriptors the prefetcher holds open (or is opening), counted against its share
// of the walk's descriptors, and known one by one so that all can be given back at once.
struct DescriptorPool {
    std::atomic<int> open{0};  // held, or counted before an open
    std::mutex mutex;
    std::set<SharedDescriptor*> live;
};

// An open folder descriptor shared by those who still work relative to it; its place in the
// pool was counted before it was opened.
class SharedDescriptor {
  public:
    SharedDescriptor(int fd, std::shared_ptr<DescriptorPool> pool);
    ~SharedDescriptor();
    SharedDescriptor(const SharedDescriptor&) = delete;
    SharedDescriptor& operator=(const SharedDescriptor&) = delete;
    // -1 once the pool was given back (Prefetcher::GiveBackDescriptors).
    int Fd() const { return fd_; }

  private:
    friend class Prefetcher;
    int fd_;
    std::shared_ptr<DescriptorPool> pool_;
};

// One folder of the walk as the prefetcher knows it. A folder is read in two steps: its
// listing (with the attributes of its sub-folders, which are then queued), and the details of
// its files, in chunks that several threads, the walker's included, can read at once.
//
// The walker sees only the results, which do not change once the prefetcher has handed the
// folder over (TakeStart, TakeChild), apart from the file records of the listing, which are
// read as FolderListing.h says (Prefetcher::AwaitRecord). How the folder is scheduled is the
// prefetcher's alone: those fields are private to it, and it changes them under its lock.
struct FolderNode {
    int openError = 0;  // opening the folder failed with this errno value; nothing was listed
    std::optional<FolderId> id;  // which folder it is, once opened
    Listing listing;

  private:
    friend class Prefetcher;

    enum class State { Pending, Listing, Listed, Taken, Dropped };
    static constexpr std::size_t kChunk = 1024;  // files per chunk
    enum ChunkState : std::uint8_t { kTodo, kWorking, kDone };

    // Set before the folder is queued, then only read.
    std::string path;  // full path, ending in "/": only where there is no parentFd to open from
    std::string name;  // name in the parent ("" for the start folder)
    std::vector<std::uint32_t> order;            // place in walk order: the indices down the tree
    std::shared_ptr<SharedDescriptor> parentFd;  // to open relative to, until opened
    ino_t judgedInode = 0;  // what the parent's listing found there (0: not known); a folder
                            // opened that is another is not listed as this one

    // Under the prefetcher's lock (the lister fills in its part before Publish).
    State state = State::Pending;
    bool byHelper = false;        // listed by a helper thread, so counted as read ahead
    bool dropWhenListed = false;  // the walk went past while a helper was listing it
    std::size_t cost = 0;
    std::shared_ptr<SharedDescriptor> fd;                 // the folder's own, while chunks are left
    std::unique_ptr<std::atomic<std::uint8_t>[]> chunks;  // by chunk, its ChunkState
    std::size_t chunkCount = 0;
    std::size_t nextChunk = 0;                          // the first chunk that may still be to do
    std::size_t chunksLeft = 0;                         // not yet done
    std::vector<std::shared_ptr<FolderNode>> children;  // its sub-folders, in walk order
    std::size_t nextChild = 0;                          // the walker's place among them
};

class Prefetcher {
  public:
    // `mask` null: no file details are wanted (folders only). The helpers keep at most
    // `descriptors` folders open at once; a folder they cannot open for want of descriptors
    // is left for later, or for the walker.
    Prefetcher(int threads, std::unique_ptr<MaskMatcher> mask, dev_t device, bool knowDevice,
               int descriptors = 1 << 20);
    ~Prefetcher();
    Prefetcher(const Prefetcher&) = delete;
    Prefetcher& operator=(const Prefetcher&) = delete;

    // The walker's side. Each returns the folder listed (by a helper, or now if none had
    // begun it), taken out of the prefetcher's accounts; its files' details may still be read.
    // `startFd`, when not -1, is the start folder already open (it is not closed): the folder
    // is listed from it rather than looked up by its path again. Null when the folder could
    // not be opened for want of descriptors: the walker then reads it itself.
    std::shared_ptr<FolderNode> TakeStart(const std::string& path, int startFd = -1);
    // `path` gives the child's path, for a folder nobody foresaw. Null when the parent is as
    // deep as reading ahead goes, or when the child could not be opened for want of
    // descriptors: the walker then reads the child and all below it itself.
    std::shared_ptr<FolderNode> TakeChild(FolderNode& parent, std::string_view name,
                                          const std::function<std::string()>& path);
    // Makes sure the chunk holding record `index` of a taken folder is done (reading it now
    // when nobody has begun it): on return only the walker touches its records. A chunk a
    // helper gave up at a stop is done with what it read; the walker reads the rest on the spot.
    void AwaitRecord(FolderNode& node, std::size_t index);
    // The walker has finished a folder: what of its sub-folders it did not take is dropped.
    void Finish(FolderNode& node);
    // Ends all reading ahead at once; the walker then reads what it still needs itself.
    void Stop();
    // Stops, and closes every descriptor the prefetcher holds (also those of folders already
    // taken): for a walker out of descriptors. Nothing is read ahead after it.
    void GiveBackDescriptors();

  private:
    static constexpr std::size_t kMaxDepth = 256;
    // Whether a folder is as deep below the start as reading ahead goes: its sub-folders are
    // not read ahead. This keeps the records of a very deep tree (each knows its place down
    // the tree) small.
    static bool IsTooDeep(const FolderNode& node) { return node.order.size() >= kMaxDepth; }

    void Work();
    // Lists a folder and plans its sub-folders and chunks. Called without the lock, its
    // descriptor counted in the pool. False when it could not be opened for want of
    // descriptors: it is not listed, and nothing is recorded against it.
    bool List(FolderNode& node, ReadBuffers& buffers);
    // A helper could not open `node` for want of descriptors: it waits for the walker, or for
    // a helper once descriptors are given back. Called with the lock held.
    void LeaveLocked(const std::shared_ptr<FolderNode>& node);
    // Whether the helpers may open another folder now.
    bool RoomToOpen() const;
    // Records a listing and queues its sub-folders and chunks. Called with the lock held.
    void Publish(const std::shared_ptr<FolderNode>& node, bool byHelper);
    // Reads one chunk of files; called without the lock, the chunk claimed.
    void ReadChunk(FolderNode& node, std::size_t chunk, int fd);
    void FinishChunkLocked(FolderNode& node, std::size_t chunk);
    // Claims the next chunk to do of a node, or returns false. Called with the lock held.
    bool ClaimChunkLocked(FolderNode& node, std::size_t& chunk,
                          std::shared_ptr<SharedDescriptor>& fd);
    void DropLocked(FolderNode& node);
    void CancelChunksLocked(FolderNode& node);
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
    std::shared_ptr<DescriptorPool> pool_ = std::make_shared<DescriptorPool>();
    int maxDescriptors_;
    // After a helper ran out of descriptors, none opens a folder before this time (a
    // descriptor given back is not announced).
    std::chrono::steady_clock::time_point openPause_{};
    std::atomic<bool> stop_{false};
    ReadBuffers ownerBuffers_;

    std::mutex mutex_;
    std::condition_variable workAvailable_;
    std::condition_variable progress_;                          // a listing or a chunk is done
    std::set<std::shared_ptr<FolderNode>, WalkOrder> pending_;  // to be listed
    std::set<std::shared_ptr<FolderNode>, WalkOrder> chunked_;  // with chunks to do
    std::size_t aheadFolders_ = 0;  // listed or being listed by helpers, not yet taken
    std::size_t aheadBytes_ = 0;
    std::vector<std::thread> threads_;
};

// How many helper threads suit the volume holding `path`: none on optical and rotating
// drives, where reading in parallel makes the drive seek; a few elsewhere.
int PrefetchThreadsFor(dev_t device);

}  // namespace dirscribe::platform::linuxos
