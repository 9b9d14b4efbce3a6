#include "support/fuse_disk.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace vt::test {
namespace {

// Runs a shell command; its first line of output, or nothing. `ok` tells whether it
// exited with 0.
std::string run(const std::string& command, bool& ok) {
    std::string out;
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) {
        ok = false;
        return out;
    }
    char buffer[256];
    if (std::fgets(buffer, sizeof buffer, pipe))
        out = buffer;
    while (std::fgets(buffer, sizeof buffer, pipe)) {
    }
    ok = ::pclose(pipe) == 0;
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    return out;
}

bool has_tool(const char* tool) {
    bool ok = false;
    run(std::string("command -v ") + tool, ok);
    return ok;
}

} // namespace

FuseDisk::FuseDisk(Kind kind) : kind_(kind) {
    const char* tools[] = {kind == Kind::Fat32 ? "mkfs.vfat" : "mkfs.exfat",
                           kind == Kind::Fat32 ? "fusefat" : "mount.exfat-fuse", "losetup"};
    for (const char* tool : tools) {
        if (!has_tool(tool)) {
            why_not_ = std::string(tool) + " is not installed";
            return;
        }
    }
    if (::access("/dev/fuse", R_OK | W_OK) != 0) {
        why_not_ = "/dev/fuse cannot be opened";
        return;
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "vt-disk-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        why_not_ = "no temporary folder";
        return;
    }
    folder_ = pattern;
    image_ = folder_ + "/disk.img";
    mount_point_ = folder_ + "/mnt";
    ::mkdir(mount_point_.c_str(), 0755);
    bool ok = false;
    run("truncate -s 64M '" + image_ + "'", ok);
    if (ok)
        run(std::string(kind == Kind::Fat32 ? "mkfs.vfat -F 32 '" : "mkfs.exfat '") + image_ + "'",
            ok);
    if (!ok) {
        why_not_ = "the disk image could not be made";
        return;
    }
    if (!mount())
        why_not_ = "the disk image could not be mounted through FUSE";
}

FuseDisk::~FuseDisk() {
    unmount();
    if (!folder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
}

std::string FuseDisk::operator/(std::string_view relative) const {
    return mount_point_ + "/" + std::string(relative);
}

bool FuseDisk::mount() {
    bool ok = false;
    if (kind_ == Kind::Fat32) {
        run("fusefat -o rw+ '" + image_ + "' '" + mount_point_ + "'", ok);
    } else {
        // exfat-fuse mounts block devices only.
        loop_ = run("losetup -f --show '" + image_ + "'", ok);
        if (ok)
            run("mount.exfat-fuse '" + loop_ + "' '" + mount_point_ + "'", ok);
    }
    mounted_ = ok;
    return ok;
}

void FuseDisk::unmount() {
    bool ok = false;
    if (mounted_)
        run("umount '" + mount_point_ + "'", ok);
    mounted_ = false;
    if (!loop_.empty())
        run("losetup -d '" + loop_ + "'", ok);
    loop_.clear();
}

bool FuseDisk::remount() {
    unmount();
    return mount();
}

} // namespace vt::test
