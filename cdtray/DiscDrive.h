// SPDX-License-Identifier: MIT
// DiscDrive: a drive whose discs come and go, as the disc-by-disc cataloguing loop sees it:
// whether a disc is in it, whether it is another disc than before, mounting and ejecting.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace dirscribe::cdtray {

// What a look at the drive found.
enum class Media : std::uint8_t {
    None,      // no disc, or the tray is open
    NotReady,  // a disc may be there but cannot be read yet (spinning up), or the drive is busy
    Present,   // a disc is in the drive and ready
};

struct MediaState {
    Media media = Media::None;
    // Changes whenever the drive reports that its medium changed (a count of media changes, or
    // the identity of what is in it); 0 when the drive cannot tell. Never a disc's label.
    std::uint64_t change = 0;
};

// A mounted disc: the folder to list and the label to list it under.
struct MountedDisc {
    std::string root;
    std::string label;
};

// One drive. Every call returns within a bounded time; none spins a disc up by itself but
// Mount.
class DiscDrive {
  public:
    virtual ~DiscDrive() = default;
    DiscDrive() = default;
    DiscDrive(const DiscDrive&) = delete;
    DiscDrive& operator=(const DiscDrive&) = delete;

    // The drive as the user named it ("/dev/sr0", "D:"), for messages.
    virtual std::string Name() const = 0;
    // Looks at the drive once.
    virtual MediaState Poll() = 0;
    // Makes the disc's files reachable: where the desktop mounted it, or mounted here. Throws
    // Failure, with the reason, when the disc holds no file system that can be read.
    virtual MountedDisc Mount() = 0;
    // Undoes what Mount mounted itself (a mount of the desktop's is left for Eject).
    virtual void Unmount() noexcept = 0;
    // Unmounts the disc wherever it is mounted and opens the tray; false when the disc could
    // not be ejected (the loop then waits for it to be taken out by hand).
    virtual bool Eject() noexcept = 0;
};

// The drive named `drive`: on Linux an optical drive's device or a mount point of it (a loop
// device is taken too, its backing file standing for the disc); on Windows a drive letter such
// as "D:". Throws Failure, naming the drive, when it is no such drive.
std::unique_ptr<DiscDrive> OpenDiscDrive(const std::string& drive);

}  // namespace dirscribe::cdtray
