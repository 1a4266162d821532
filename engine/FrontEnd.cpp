// FrontEnd: the defaults that most front ends share.
#include "engine/FrontEnd.h"

#include "platform/FileSystem.h"

namespace dirscribe {

std::string FrontEnd::VolumeLabel(const std::string& drive) {
    return platform::VolumeLabel(drive);
}

void FrontEnd::OpenTray(const std::string& /*startPath*/) {}

}  // namespace dirscribe
