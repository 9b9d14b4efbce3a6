#include "core/platform/drive_check.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace vt::test {
namespace {

// A fake system: its own mount table, fstab and media folders in a temporary folder.
class DriveCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        media = dir.mkdir("media");
        user_media = dir.mkdir("media/anna");
        mountinfo = dir / "mountinfo";
        fstab = dir / "fstab";
        drives::set_places({mountinfo, fstab, {media, user_media}});
    }
    void TearDown() override { drives::reset_places(); }

    void mounted(const std::string& point) {
        mountinfo_text += "100 1 8:17 / " + point + " rw,relatime shared:1 - ext4 /dev/sdb1 rw\n";
        dir.write("mountinfo", mountinfo_text);
    }
    void in_fstab(const std::string& point) {
        fstab_text += "UUID=0a1b " + point + " ext4 noauto,user 0 2\n";
        dir.write("fstab", "# a comment\n" + fstab_text);
    }

    TempDir dir;
    std::string media, user_media, mountinfo, fstab, mountinfo_text, fstab_text;
};

TEST_F(DriveCheckTest, AnUnpluggedDiskIsToldApartFromAnEmptyFolder) {
    dir.write("mountinfo", "1 0 254:0 / / rw - ext4 /dev/vda rw\n");
    struct Case {
        const char* what;
        std::string folder;
        bool fstab_point;
        bool mounted;
        const char* content; // the name of a file put in the folder, if any
        bool missing;
    };
    const Case cases[] = {
        // The copy run's own tests cover an empty fstab mount point, an empty folder in
        // media/<user>, an ordinary empty folder and a mounted disk.
        {"an fstab mount point with a disk on it", dir / "data/usb", true, true, nullptr, false},
        {"an empty folder in media", media + "/cdrom", false, false, nullptr, true},
        {"a folder two levels inside media", user_media + "/STICK2/inner", false, false, nullptr,
         false},
        {"a mount point holding a file", user_media + "/FULL", false, false, "x", false},
        {"a mount point holding hidden files only", user_media + "/HIDDEN", false, false, ".Trash",
         true},
    };
    for (const Case& c : cases) {
        const std::string relative = c.folder.substr(dir.path().size() + 1);
        const std::string folder = dir.mkdir(relative);
        if (c.fstab_point)
            in_fstab(folder);
        if (c.mounted)
            mounted(folder);
        if (c.content)
            dir.write(relative + "/" + c.content, "x");
        EXPECT_EQ(drives::is_missing_drive(folder), c.missing) << c.what;
    }
}

TEST_F(DriveCheckTest, TablesThatCannotBeReadNameNothing) {
    drives::set_places({dir / "no-mountinfo", dir / "no-fstab", {media}});
    const std::string stick = dir.mkdir("media/STICK");
    EXPECT_TRUE(drives::is_missing_drive(stick)); // by its place alone
    const std::string other = dir.mkdir("elsewhere");
    EXPECT_FALSE(drives::is_missing_drive(other));
    // Broken lines are passed over; the lines around them still count.
    dir.write("fstab", "garbage\n/dev/sdc1 " + other + " vfat noauto 0 0\n\x01\x02\n");
    drives::set_places({dir / "no-mountinfo", dir / "fstab", {media}});
    EXPECT_TRUE(drives::is_missing_drive(other));
}

} // namespace
} // namespace vt::test
