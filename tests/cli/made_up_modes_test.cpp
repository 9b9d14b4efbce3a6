#include "cli/headless_run.h"

#include "core/platform/disk_traits.h"
#include "core/platform/sys.h"
#include "core/restore/restore_plan.h"
#include "support/file_stat.h"
#include "support/fuse_disk.h"
#include "support/saved_list.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sstream>
#include <sys/stat.h>

// FAT and exFAT keep no owners and no permission bits: their drivers show one mode for
// every file (0777 through exfat-fuse, 0700 through fusefat). Those never reach a copy.
namespace vt {
namespace {

using test::FuseDisk;

constexpr std::time_t kNoon = 1700049600; // an even second: FAT keeps it

class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : old_(::umask(mask)) {}
    ~ScopedUmask() { ::umask(old_); }
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

private:
    mode_t old_;
};

std::string octal(mode_t mode) {
    char text[16];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

std::string mode_text(const std::string& path) {
    return octal(test::mode_of(path));
}

bool skipped(const FuseDisk& disk) {
    if (disk.mounted())
        return false;
    std::printf("[ SKIPPED  ] %s disk not available: %s\n", disk.name(), disk.why_not().c_str());
    return true;
}

class MadeUpModesTest : public ::testing::Test {
protected:
    void TearDown() override { sys::clear_disk_type_hook(); }

    int run(const std::vector<std::string>& args) {
        out.str("");
        err.str("");
        const CommandLine command = parse_command_line(args);
        EXPECT_NE(command.mode, CommandLine::Mode::Invalid) << command.error;
        return headless_run(command, CopyOptions{false, true, 0}, out, err, false);
    }
    // `mode`: none on a disk that takes no modes.
    void file(const std::string& path, std::optional<mode_t> mode = std::nullopt) {
        std::ofstream(path) << "content of " << path;
        if (mode) {
            ASSERT_EQ(::chmod(path.c_str(), *mode), 0) << path;
        }
        test::set_mtime(path, kNoon);
    }

    test::TempDir dir;
    test::ScopedEnv runtime = test::runtime_dir_in(dir);
    std::ostringstream out, err;
};

TEST_F(MadeUpModesTest, ARestoreFromFatOrExfatGivesWhatTheUmaskGivesNeverTheDisksModes) {
    struct Case {
        FuseDisk::Kind kind;
        mode_t umask;
    };
    const Case cases[] = {{FuseDisk::Kind::Exfat, 022},
                          {FuseDisk::Kind::Exfat, 077},
                          {FuseDisk::Kind::Fat32, 022},
                          {FuseDisk::Kind::Fat32, 077}};
    for (const Case& c : cases) {
        FuseDisk disk(c.kind);
        const std::string name = std::string(disk.name()) + "-" + octal(c.umask);
        SCOPED_TRACE(name);
        if (skipped(disk))
            continue;
        const ScopedUmask umask(c.umask);
        const std::string src = dir.mkdir(name);
        ASSERT_EQ(::mkdir((src + "/keys").c_str(), 0700), 0);
        file(src + "/private.txt", 0600);
        file(src + "/readonly.txt", 0444);
        file(src + "/tool", 0755);
        file(src + "/keys/id_ed25519", 0600);
        file(src + "/edited.txt", 0640);
        const std::string list =
            test::save_list(dir / (name + ".vtl"), {{src, "*", disk / "backup", "No", "Yes"}});
        ASSERT_EQ(run({"--run", list}), kExitDone) << err.str();

        // Into a folder of its own: everything is new there.
        const std::string to = dir / (name + "-restored");
        ASSERT_EQ(run({"--restore", list, "--to=" + to}), kExitDone) << err.str();
        const std::string file_bits = octal(0666 & ~c.umask);
        const std::string folder_bits = octal(0777 & ~c.umask);
        const std::string restored = restore_folder_for(to, 1, src);
        for (const char* f : {"private.txt", "readonly.txt", "tool", "keys/id_ed25519"})
            EXPECT_EQ(mode_text(restored + "/" + f), file_bits) << f;
        for (const std::string& folder : {to, restored, restored + "/keys"})
            EXPECT_EQ(mode_text(folder), folder_bits) << folder;
        EXPECT_EQ(test::read_file(restored + "/keys/id_ed25519"),
                  "content of " + src + "/keys/id_ed25519");

        // Over a file it replaces: that file's bits stay, as an editor keeps them.
        std::ofstream(src + "/edited.txt") << "older";
        test::set_mtime(src + "/edited.txt", kNoon - 3600);
        ASSERT_EQ(run({"--restore", list}), kExitDone) << err.str();
        EXPECT_EQ(test::read_file(src + "/edited.txt"), "content of " + src + "/edited.txt");
        EXPECT_EQ(mode_text(src + "/edited.txt"), "0640");
    }
}

TEST_F(MadeUpModesTest, ABackupOfAStickGivesWhatTheUmaskGivesToo) {
    const ScopedUmask umask(027);
    for (const FuseDisk::Kind kind : {FuseDisk::Kind::Fat32, FuseDisk::Kind::Exfat}) {
        FuseDisk disk(kind);
        SCOPED_TRACE(disk.name());
        if (skipped(disk))
            continue;
        ASSERT_EQ(::mkdir((disk / "photos").c_str(), 0755), 0);
        file(disk / "photos/a.jpg");
        ASSERT_EQ(::mkdir((disk / "photos/trip").c_str(), 0755), 0);
        file(disk / "photos/trip/b.jpg");
        // The stick as the kernel's own driver mounts it, which says what it is.
        const long type = kind == FuseDisk::Kind::Fat32 ? disk_type::kVfat : disk_type::kExfat;
        sys::set_disk_type_hook([type](long t) { return t == disk_type::kFuse ? type : t; });
        const std::string dst = dir / (std::string(disk.name()) + "-backup");
        const std::string list = test::save_list(dir / (std::string(disk.name()) + ".vtl"),
                                                 {{disk / "photos", "*", dst, "No", "Yes"}});
        EXPECT_EQ(run({"--run", list}), kExitDone) << err.str();
        sys::clear_disk_type_hook();
        for (const char* f : {"/a.jpg", "/trip/b.jpg"})
            EXPECT_EQ(mode_text(dst + f), "0640") << f;
        for (const char* f : {"", "/trip"})
            EXPECT_EQ(mode_text(dst + f), "0750") << f;
    }
}

} // namespace
} // namespace vt
