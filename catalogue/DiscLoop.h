// SPDX-License-Identifier: MIT
// DiscLoop: cataloguing a stack of discs one after another, for dirscribe-cli --each-disc and
// the window's "List Disc after Disc": wait for a disc, list it, eject it, wait for the next.
// What listing a disc means, and how waiting and reports look, is the front end's.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "cdtray/DiscDrive.h"

namespace dirscribe::catalogue {

// How the listing of one disc ended.
enum class DiscListed : std::uint8_t {
    Done,     // listed to its end
    Stopped,  // stopped by the user (its block has its footer)
    Failed,   // a list could not be written: the loop cannot go on
};

// How the loop ended.
enum class LoopEnd : std::uint8_t {
    Finished,  // ended while waiting, or after the last disc asked for
    Stopped,   // a listing was stopped by the user
    Failed,    // a list could not be written
};

// What the loop asks of its front end. Every call is made on the loop's thread.
class DiscLoopHost {
  public:
    virtual ~DiscLoopHost() = default;

    // Whether the user asked to end: Ctrl-C, Cancel.
    virtual bool Interrupted() = 0;
    // Waits between two looks at the drive (a window keeps answering meanwhile).
    virtual void Sleep(std::chrono::milliseconds time) = 0;
    // The loop begins to wait for a disc: the first one (none listed or tried yet) or the next.
    virtual void Waiting(bool first) = 0;
    // A line about a disc: one that cannot be read, one that cannot be ejected.
    virtual void Report(const std::string& text) = 0;
    // The description for disc `number` (from 1) with `label`; nullopt when the user ended the
    // loop meanwhile.
    virtual std::optional<std::string> Description(int number, const std::string& label) = 0;
    // Lists a mounted disc as disc `number`. `later`: an earlier disc began the lists, so a
    // new list is added to rather than begun again.
    virtual DiscListed ListDisc(int number, const cdtray::MountedDisc& disc,
                                const std::string& description, bool later) = 0;
};

struct DiscLoopOptions {
    int discs = 0;  // end after this many discs were listed; 0: until the user ends
    // A look at the drive takes a moment and costs nothing; a disc is seen within this.
    std::chrono::milliseconds pollInterval{250};
    // The first disc is already listed (the window's first run): wait for the next at once.
    bool firstListed = false;
};

class DiscLoop {
  public:
    DiscLoop(cdtray::DiscDrive& drive, const DiscLoopOptions& options, DiscLoopHost& host)
        : drive_(drive), options_(options), host_(host), listed_(options.firstListed ? 1 : 0) {}

    // Runs until the user ends it, the discs asked for are listed, or a list fails.
    LoopEnd Run();

    // Discs listed, and discs that could not be read, so far.
    int Listed() const { return listed_; }
    int Unreadable() const { return unreadable_; }

  private:
    // Waits until a disc other than the last is in the drive; false when the user ended.
    bool WaitForNewDisc();

    cdtray::DiscDrive& drive_;
    DiscLoopOptions options_;
    DiscLoopHost& host_;
    // The drive was seen without a disc since the last disc listed. A first run of the window
    // leaves its disc in the open tray: it counts as seen, not as absent.
    bool absentSeen_ = !options_.firstListed;
    std::optional<std::uint64_t> lastChange_;
    int listed_ = 0;
    int unreadable_ = 0;
};

// The description of the disc after one described `description`: a final number counts up
// ("Box 3, disc 7" gives "Box 3, disc 8"; "disc 09" gives "disc 10"); other texts stay.
std::string NextDescription(const std::string& description);

}  // namespace dirscribe::catalogue
