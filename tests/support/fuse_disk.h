#pragma once
#include <string>
#include <string_view>

namespace vt::test {

// A FAT32 or exFAT disk for the test's life: an image file in a temporary folder,
// mounted through FUSE (fusefat, exfat-fuse) as a USB stick is on a desktop that has
// no kernel driver for it. Where the tools or /dev/fuse are missing, `mounted()` is
// false and `why_not()` says what is missing, for the test's skip message.
class FuseDisk {
public:
    enum class Kind { Fat32, Exfat };

    explicit FuseDisk(Kind kind);
    ~FuseDisk();
    FuseDisk(const FuseDisk&) = delete;
    FuseDisk& operator=(const FuseDisk&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& why_not() const { return why_not_; }
    const char* name() const { return kind_ == Kind::Fat32 ? "FAT32" : "exFAT"; }

    // The mount point, without a trailing "/".
    const std::string& path() const { return mount_point_; }
    std::string operator/(std::string_view relative) const;

    // Unmounts and mounts the image again, as a stick pulled out and put back: the
    // disk keeps its files, while inode numbers and cached looks are new.
    bool remount();

private:
    bool mount();
    void unmount();

    Kind kind_;
    std::string folder_; // holds the image and the mount point
    std::string image_;
    std::string mount_point_;
    std::string loop_; // the loop device exfat-fuse needs, when attached
    bool mounted_ = false;
    std::string why_not_;
};

// Skips the test, with the reason printed, where the disk could not be had.
#define VT_NEEDS_DISK(disk)                                                                        \
    if (!(disk).mounted())                                                                         \
    GTEST_SKIP() << (disk).name() << " disk not available: " << (disk).why_not()

} // namespace vt::test
