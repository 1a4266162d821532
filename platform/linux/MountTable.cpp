// SPDX-License-Identifier: MIT
// MountTable: the mount table read with libmount, once per question.
#include "platform/linux/MountTable.h"

#include <libmount/libmount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <memory>

#include "base/Paths.h"
#include "platform/linux/PathTools.h"

namespace dirscribe::platform::linuxos {

namespace {

// Whether the medium of a block device can be taken out: sysfs says so for the whole disk,
// so a partition asks its parent.
bool IsRemovableDevice(const std::string& device) {
    const auto slash = device.rfind('/');
    const std::string name = device.substr(slash == std::string::npos ? 0 : slash + 1);
    if (name.rfind("sr", 0) == 0) return true;
    std::string node = RealPath("/sys/class/block/" + name);
    if (access((node + "/partition").c_str(), F_OK) == 0) node = node.substr(0, node.rfind('/'));
    std::ifstream in(node + "/removable");
    char flag = '0';
    return in >> flag && flag == '1';
}

}  // namespace

std::vector<MountRecord> ReadMountTable() {
    std::vector<MountRecord> records;
    std::unique_ptr<libmnt_table, decltype(&mnt_unref_table)> table(mnt_new_table(),
                                                                    &mnt_unref_table);
    if (!table || mnt_table_parse_mtab(table.get(), nullptr) != 0) return records;
    std::unique_ptr<libmnt_iter, decltype(&mnt_free_iter)> iter(mnt_new_iter(MNT_ITER_FORWARD),
                                                                &mnt_free_iter);
    if (!iter) return records;
    const auto text = [](const char* s) { return s != nullptr ? std::string(s) : std::string(); };
    libmnt_fs* fs = nullptr;
    while (mnt_table_next_fs(table.get(), iter.get(), &fs) == 0) {
        MountRecord m;
        m.target = text(mnt_fs_get_target(fs));
        m.source = text(mnt_fs_get_source(fs));
        m.fsType = text(mnt_fs_get_fstype(fs));
        m.fsRoot = text(mnt_fs_get_root(fs));
        if (m.fsRoot.empty()) m.fsRoot = "/";
        m.pseudo = mnt_fs_is_pseudofs(fs) != 0;
        m.network = mnt_fs_is_netfs(fs) != 0 || m.fsType == "fuse.sshfs";
        m.devno = mnt_fs_get_devno(fs);
        if (!m.source.empty() && m.source.front() == '/' && IsBlockDevice(m.source)) {
            m.device = RealPath(m.source);
            m.removable = IsRemovableDevice(m.device);
        }
        // A share that stopped answering would hang the stat; a mount point of one is a folder.
        if (!m.network) m.folder = IsFolderPath(m.target);
        records.push_back(std::move(m));
    }
    return records;
}

std::optional<MountRecord> FindMount(const std::string& path) {
    const std::vector<MountRecord> mounts = ReadMountTable();
    const MountRecord* best = nullptr;
    for (const MountRecord& m : mounts) {
        if (!IsUnder(path, m.target)) continue;
        if (best == nullptr || m.target.size() >= best->target.size()) best = &m;
    }
    if (best == nullptr) return std::nullopt;
    return *best;
}

}  // namespace dirscribe::platform::linuxos
