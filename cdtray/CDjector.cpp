// CDjector: until the drive backends exist, the tray is left alone.
#include "cdtray/CDjector.h"

namespace dirscribe::cdtray {

std::uint32_t OpenCDDoor(const std::string& /*drive*/) { return 0; }

std::uint32_t CloseCDDoor(const std::string& /*drive*/) { return 0; }

}  // namespace dirscribe::cdtray
