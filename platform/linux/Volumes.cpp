// SPDX-License-Identifier: MIT
// Volumes: list-file existence, volume labels, the device of a path, absolute paths.
#include "platform/linux/Volumes.h"

#include <blkid/blkid.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/FileSystem.h"
#include "platform/linux/Errors.h"
#include "platform/linux/MountTable.h"
#include "platform/linux/PathTools.h"

namespace dirscribe::platform {

namespace linuxos {

namespace {

bool PathExists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

// The block device behind the volume holding `path` (itself, when it is one); empty for a
// volume without a device (tmpfs, proc, overlay, network shares).
std::string DeviceOfPath(const std::string& path) {
    if (IsBlockDevice(path)) return path;
    const auto mount = FindMount(RealPathOr(path, AbsolutePath(path)));
    if (!mount || !IsBlockDevice(mount->source)) return {};
    return mount->source;
}

std::string LabelFromByLabel(const std::string& device) {
    static const std::string kByLabel = "/dev/disk/by-label/";
    DirStream dir(opendir(kByLabel.c_str()));
    if (!dir) return {};
    const std::string target = RealPathOr(device, device);
    while (const struct dirent* entry = readdir(dir.get())) {
        if (entry->d_name[0] == '.') continue;
        if (RealPathOr(kByLabel + entry->d_name, {}) == target)
            return DecodeUdevName(entry->d_name);
    }
    return {};
}

}  // namespace

std::string PathOfDriveText(std::string_view text) {
    if (text.size() < 3 || text.back() != ']') return std::string(text);
    // A mount point may itself hold " [" (it is often named after the label), so the first
    // split that names an existing path wins; failing that, the text as a whole, then the
    // last split.
    std::size_t last = std::string_view::npos;
    for (std::size_t pos = text.find(" ["); pos != std::string_view::npos;
         pos = text.find(" [", pos + 1)) {
        std::string candidate(text.substr(0, pos));
        if (PathExists(candidate)) return candidate;
        last = pos;
    }
    std::string whole(text);
    if (last == std::string_view::npos || PathExists(whole)) return whole;
    return std::string(text.substr(0, last));
}

std::string DecodeUdevName(std::string_view name) {
    const auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string plain;
    plain.reserve(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x' && hex(name[i + 2]) >= 0 &&
            hex(name[i + 3]) >= 0) {
            plain.push_back(static_cast<char>(hex(name[i + 2]) * 16 + hex(name[i + 3])));
            i += 3;
        } else {
            plain.push_back(name[i]);
        }
    }
    return plain;
}

std::string ProbeLabel(const std::string& device) {
    // The probe opens the device read-only and without blocking; an ordinary user who may not
    // read it simply gets no label.
    std::unique_ptr<std::remove_pointer_t<blkid_probe>, decltype(&blkid_free_probe)> probe(
        blkid_new_probe_from_filename(device.c_str()), &blkid_free_probe);
    if (!probe) return {};
    blkid_probe_enable_superblocks(probe.get(), 1);
    blkid_probe_set_superblocks_flags(probe.get(), BLKID_SUBLKS_LABEL);
    if (blkid_do_safeprobe(probe.get()) != 0) return {};
    const char* label = nullptr;
    std::size_t length = 0;
    if (blkid_probe_lookup_value(probe.get(), "LABEL", &label, &length) != 0 || label == nullptr) {
        return {};
    }
    return std::string(label);
}

}  // namespace linuxos

bool ListFileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) throw linuxos::FailureFromErrno(errno);
    return S_ISDIR(st.st_mode);
}

std::string VolumeLabel(const std::string& drive) {
    const std::string path = linuxos::PathOfDriveText(drive);
    struct stat st {};
    if (path.empty() || stat(path.c_str(), &st) != 0) {
        const int err = path.empty() ? ENOENT : errno;
        if (err == ENOENT || err == ENOTDIR) {
            throw Failure(FailureNo::PathNotFound, "Path not found: '" + path + "'");
        }
        throw linuxos::FailureFromErrno(err, "cannot read '" + path + "'");
    }
    const std::string device = linuxos::DeviceOfPath(path);
    if (device.empty()) return {};
    std::string label = linuxos::LabelFromByLabel(device);
    if (label.empty()) label = linuxos::ProbeLabel(device);
    return label;
}

std::string DriveOfPath(const std::string& path) {
    return linuxos::DeviceOfPath(path);
}

std::string AbsolutePath(const std::string& path) {
    std::string full;
    if (path.empty() || path.front() != '/') {
        full = linuxos::CurrentFolder();
        if (full.empty()) return path;  // no current folder to go by
        full += '/';
    }
    full += path;

    // Doubled separators and "." components go; ".." and links stay as typed.
    std::string result;
    result.reserve(full.size());
    std::size_t pos = 0;
    while (pos < full.size()) {
        std::size_t end = full.find('/', pos);
        if (end == std::string::npos) end = full.size();
        const std::string_view part(full.data() + pos, end - pos);
        if (!part.empty() && part != ".") result.append("/").append(part);
        pos = end + 1;
    }
    if (result.empty()) return "/";
    if (!path.empty() && path.back() == '/') result += '/';
    return result;
}

}  // namespace dirscribe::platform
