// The application identity record: title, description and version, shown by every front end.
#pragma once

#include <string>

namespace dirscribe {

struct AppIdentity {
    const char* title;
    const char* description;
    int major;
    int minor;
    int revision;

    // "1.2.16": major, minor and revision, as the About window and --version show it.
    std::string VersionText() const {
        return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(revision);
    }
};

inline constexpr AppIdentity kApp{
    "Dirscribe", "Make File and Directory lists is several file formats", 1, 2, 16};

}  // namespace dirscribe
