#include "core/platform/disk_traits.h"
#include "core/platform/sys.h"
#include "support/fuse_disk.h"
#include "support/temp_dir.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace vt {
namespace {

using test::FuseDisk;

constexpr std::int64_t kSecond = 1'000'000'000;

struct OpenFolder {
    explicit OpenFolder(const std::string& path)
        : fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}
    ~OpenFolder() {
        if (fd >= 0)
            ::close(fd);
    }
    int fd;
};

struct Expected {
    DiskTraits::Flush flush;
    std::int64_t step;
    bool ignores_case;
    bool keeps_modes;
    bool steady;
};

void expect_traits(const DiskTraits& t, const Expected& e, const std::string& what) {
    SCOPED_TRACE(what);
    EXPECT_EQ(t.flush, e.flush);
    EXPECT_EQ(t.time_step_ns, e.step);
    EXPECT_EQ(t.ignores_case, e.ignores_case);
    EXPECT_EQ(t.keeps_modes, e.keeps_modes);
    EXPECT_EQ(t.steady_change_times, e.steady);
}

// The probe leaves nothing behind, whatever it learnt.
void expect_empty(const std::string& folder) {
    int entries = 0;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(d))
            entries += std::string_view(e->d_name) != "." && std::string_view(e->d_name) != "..";
        ::closedir(d);
    }
    EXPECT_EQ(entries, 0) << folder;
}

TEST(DiskTraits, WhatEachDiskKeepsIsLearntFromItsTypeOrAFileWrittenThere) {
    using F = DiskTraits::Flush;
    test::TempDir local; // the test machine's own disk: ext4
    {
        OpenFolder dir(local.path());
        expect_traits(disk_traits(dir.fd, true), {F::Batched, 1, false, true, true}, "ext4");
    }
    {
        // A FUSE daemon in front of the same disk: its type tells nothing, so each copy
        // is flushed on its own and the rest is learnt by writing.
        sys::set_disk_type_hook([](long) { return disk_type::kFuse; });
        OpenFolder dir(local.path());
        const DiskTraits t = disk_traits(dir.fd, true);
        sys::clear_disk_type_hook();
        expect_traits(t, {F::EachFile, 1, false, true, false}, "FUSE over ext4");
        EXPECT_TRUE(t.probed);
        expect_empty(local.path());
    }
    FuseDisk fat(FuseDisk::Kind::Fat32);
    FuseDisk exfat(FuseDisk::Kind::Exfat);
    for (FuseDisk* disk : {&fat, &exfat}) {
        if (!disk->mounted()) {
            std::printf("[ SKIPPED  ] %s disk not available: %s\n", disk->name(),
                        disk->why_not().c_str());
            continue;
        }
        OpenFolder dir(disk->path());
        const DiskTraits t = disk_traits(dir.fd, true);
        // exfat-fuse keeps whole seconds of the ten milliseconds exFAT could.
        expect_traits(t, {F::EachFile, disk == &fat ? 2 * kSecond : kSecond, true, false, false},
                      disk->name());
        EXPECT_EQ(t.largest_file, disk == &fat ? 0xFFFFFFFFull : ~0ull) << disk->name();
        EXPECT_EQ(t.naming_sets_time, disk == &fat) << disk->name();
        expect_empty(disk->path());
    }
}

TEST(DiskTraits, ADiskThatCannotBeWrittenIsTakenByItsTypeAndItsOwnEntries) {
    FuseDisk fat(FuseDisk::Kind::Fat32);
    VT_NEEDS_DISK(fat);
    OpenFolder dir(fat.path());
    sys::set_fault_hook([](sys::Op op, const char*) { return op == sys::Op::Create ? EROFS : 0; });
    const DiskTraits empty = disk_traits(dir.fd, true);
    ::close(::open((fat / "Readme").c_str(), O_CREAT | O_WRONLY, 0644));
    const DiskTraits with_entry = disk_traits(dir.fd, true);
    sys::clear_fault_hook();
    EXPECT_FALSE(empty.probed);
    EXPECT_FALSE(empty.ignores_case) << "nothing tells a FUSE disk's case rule";
    EXPECT_EQ(empty.time_step_ns, kSecond);
    EXPECT_TRUE(with_entry.ignores_case) << "\"README\" found \"Readme\"";
}

TEST(DiskTraits, TimesAreOneWithinTheDisksStepAndLaterOnlyBeyondIt) {
    struct Case {
        std::int64_t step;
        timespec a, b;
        bool same, a_later;
    };
    const Case cases[] = {
        {1, {100, 5}, {100, 5}, true, false},
        {1, {100, 6}, {100, 5}, false, true},
        {1, {101, 800'000'000}, {100, 0}, false, true}, // rewritten 1.8 s after its backup
        {kSecond, {100, 999'999'999}, {100, 0}, true, false},
        {kSecond, {101, 0}, {100, 0}, false, true},
        {2 * kSecond, {101, 999'000'000}, {100, 0}, true, false},
        {2 * kSecond, {100, 0}, {101, 999'000'000}, true, false},
        {2 * kSecond, {102, 0}, {100, 0}, false, true},
        {10'000'000, {100, 15'000'000}, {100, 10'000'000}, true, false},
    };
    for (const Case& c : cases) {
        DiskTraits t;
        t.time_step_ns = c.step;
        SCOPED_TRACE(testing::Message() << c.step << ": " << c.a.tv_sec << "." << c.a.tv_nsec
                                        << " / " << c.b.tv_sec << "." << c.b.tv_nsec);
        EXPECT_EQ(t.same_time(c.a, c.b), c.same);
        EXPECT_EQ(t.later(c.a, c.b), c.a_later);
        EXPECT_FALSE(t.later(c.b, c.a) && c.a_later);
    }
}

} // namespace
} // namespace vt
