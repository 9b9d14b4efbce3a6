#include "core/platform/mounts.h"

#include <gtest/gtest.h>

namespace vt::mounts {
namespace {

std::vector<std::string> points_of(const std::vector<Mount>& mounts) {
    std::vector<std::string> out;
    for (const Mount& m : mounts)
        out.push_back(m.mount_point);
    return out;
}

TEST(Mounts, ParsesTheMountTableWithEscapedBlanks) {
    const auto all = parse("/dev/sdb1 /media/anna/My\\040Disk vfat rw 0 0\n"
                           "\n"
                           "broken-line\n"
                           "server:/export /net/share nfs4 rw 0 0");
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0], (Mount{"/dev/sdb1", "/media/anna/My Disk", "vfat"}));
    EXPECT_EQ(all[1].type, "nfs4");
}

TEST(Mounts, OffersThePlacesAUserPicksFrom) {
    const char* table = "proc /proc proc rw 0 0\n"
                        "sysfs /sys sysfs rw 0 0\n"
                        "devtmpfs /dev devtmpfs rw 0 0\n"
                        "tmpfs /run tmpfs rw 0 0\n"
                        "tmpfs /run/user/1000 tmpfs rw 0 0\n"
                        "overlay / overlay rw 0 0\n"
                        "/dev/sda2 /home ext4 rw 0 0\n"
                        "/dev/sda1 /boot/efi vfat rw 0 0\n"
                        "/dev/loop3 /snap/core/1 squashfs ro 0 0\n"
                        "/dev/sda5 /etc/hosts ext4 rw 0 0\n"
                        "/dev/sdc1 /run/media/anna/STICK exfat rw 0 0\n"
                        "/dev/sdb1 /media/anna/Backup ext4 rw 0 0\n"
                        "/dev/sdd1 /mnt ext4 rw 0 0\n"
                        "//nas/photos /srv/photos cifs rw 0 0\n"
                        "anna@host: /home/anna/remote fuse.sshfs rw 0 0\n"
                        "gvfsd-fuse /run/user/1000/gvfs fuse.gvfsd-fuse rw 0 0\n"
                        "tmpfs /media/ram tmpfs rw 0 0\n"
                        "/dev/sde1 /data xfs rw 0 0\n";
    EXPECT_EQ(
        points_of(user_mounts(parse(table), "/home/anna")),
        (std::vector<std::string>{"/", "/data", "/home", "/home/anna/remote", "/media/anna/Backup",
                                  "/mnt", "/run/media/anna/STICK", "/srv/photos"}));
}

TEST(Mounts, TheRootIsAlwaysThereAndAMountOverAnotherCountsOnce) {
    EXPECT_EQ(points_of(user_mounts({}, "")), (std::vector<std::string>{"/"}));
    const auto all = parse("/dev/sda1 / ext4 rw 0 0\n"
                           "/dev/sdb1 /media/x ext4 rw 0 0\n"
                           "/dev/sdc1 /media/x vfat rw 0 0\n");
    const auto user = user_mounts(all, "/root");
    ASSERT_EQ(user.size(), 2u);
    EXPECT_EQ(user[1].device, "/dev/sdc1"); // the later mount is the one seen
}

TEST(Mounts, TheHomeFoldersFileSystemIsOfferedEvenWhenUnusual) {
    const auto all = parse("/dev/vda / ext4 rw 0 0\nhomefs /var/home zfs rw 0 0\n");
    EXPECT_EQ(points_of(user_mounts(all, "/var/home/anna")),
              (std::vector<std::string>{"/", "/var/home"}));
}

TEST(Mounts, HoldingMountPoint) {
    const std::vector<std::string> points = {"/", "/media/usb", "/media/usb/inner", "/home"};
    struct Case {
        const char* folder;
        const char* expected;
    };
    for (const Case& c :
         {Case{"/media/usb/docs", "/media/usb"}, Case{"/media/usb", "/media/usb"},
          Case{"/media/usbstick/x", "/"}, Case{"/media/usb/inner/a", "/media/usb/inner"},
          Case{"/", "/"}, Case{"/homework", "/"}})
        EXPECT_EQ(holding(points, c.folder), c.expected) << c.folder;
    EXPECT_EQ(holding({"/media/usb"}, "/home"), "");
}

} // namespace
} // namespace vt::mounts
