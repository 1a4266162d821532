// SPDX-License-Identifier: MIT
// DiscLoop: the drive is looked at a few times a second while waiting; a disc is new once the
// drive was seen empty or reported a change of medium, never by its label (two discs may share
// one).
#include "catalogue/DiscLoop.h"

#include "base/Failure.h"
#include "platform/FileSystem.h"

namespace dirscribe::catalogue {

LoopEnd DiscLoop::Run() {
    for (;;) {
        if (options_.discs > 0 && listed_ >= options_.discs) return LoopEnd::Finished;
        if (!WaitForNewDisc()) return LoopEnd::Finished;
        const int number = listed_ + unreadable_ + 1;
        const std::string name = "disc " + std::to_string(number);
        cdtray::MountedDisc disc;
        try {
            disc = drive_.Mount();
            // A disc whose top folder cannot be read fails here, before its block is begun.
            if (!platform::IsFolder(disc.root)) {
                throw Failure(FailureNo::PathNotFound, "'" + disc.root + "' is not a folder");
            }
        } catch (const Failure& failure) {
            drive_.Unmount();
            ++unreadable_;
            host_.Report(name + " cannot be read: " + failure.Description() +
                         "; ejected, and on to the next");
            if (!drive_.Eject()) host_.Report("the disc could not be ejected: take it out");
            continue;
        }
        const std::optional<std::string> description = host_.Description(number, disc.label);
        if (!description) {
            drive_.Unmount();
            return LoopEnd::Finished;
        }
        const DiscListed listed = host_.ListDisc(number, disc, *description, listed_ > 0);
        drive_.Unmount();
        if (listed == DiscListed::Failed) return LoopEnd::Failed;
        ++listed_;
        if (listed == DiscListed::Stopped) return LoopEnd::Stopped;
        if (!drive_.Eject()) host_.Report("the disc could not be ejected: take it out");
    }
}

bool DiscLoop::WaitForNewDisc() {
    bool told = false;
    for (;;) {
        if (host_.Interrupted()) return false;
        const cdtray::MediaState state = drive_.Poll();
        if (state.media == cdtray::Media::None) absentSeen_ = true;
        if (state.media == cdtray::Media::Present && !lastChange_ && !absentSeen_) {
            // The disc of the window's first run, still in the drive: remembered, not new.
            lastChange_ = state.change;
        }
        if (state.media == cdtray::Media::Present &&
            (absentSeen_ || !lastChange_ || state.change != *lastChange_)) {
            absentSeen_ = false;
            lastChange_ = state.change;
            return true;
        }
        if (!told) {
            host_.Waiting(listed_ + unreadable_ == 0);
            told = true;
        }
        host_.Sleep(options_.pollInterval);
    }
}

std::string NextDescription(const std::string& description) {
    std::size_t start = description.size();
    while (start > 0 && description[start - 1] >= '0' && description[start - 1] <= '9') --start;
    if (start == description.size()) return description;
    std::string digits = description.substr(start);
    // Counted up as text: any length, leading zeros kept while they fit.
    std::size_t i = digits.size();
    while (i > 0) {
        --i;
        if (digits[i] != '9') {
            ++digits[i];
            return description.substr(0, start) + digits;
        }
        digits[i] = '0';
    }
    return description.substr(0, start) + "1" + digits;
}

}  // namespace dirscribe::catalogue
