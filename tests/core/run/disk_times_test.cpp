// A changed file is always backed up, and an unchanged one is left alone, whatever
// the backup disk keeps of a file's time.
#include "core/run/engine_fixture.h"
#include "support/file_stat.h"
#include "support/fuse_disk.h"
#include "support/scoped_env.h"

#include <ctime>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace vt::test {
namespace {

// An odd second with a fraction: FAT keeps neither, exFAT through FUSE not the fraction.
constexpr std::time_t kFirst = 1700049601;
constexpr long kFraction = 300'000'000;

std::time_t copy_time(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mtime;
}

// Backs up src/f to `backup`, changes the source by `later_ns` without changing its
// size, and runs again: whether the second run copied it.
bool second_run_copies(const std::string& backup, long long later_ns) {
    EngineFixture f;
    const std::string src = f.dir.mkdir("src");
    set_mtime(f.dir.write("src/f", "one"), kFirst, kFraction);
    f.line(src, "f", backup);
    f.options.create_journal = false;
    f.run();
    EXPECT_EQ(read_file(backup + "/f"), "one");
    f.run(); // an unchanged source: what the disk kept of its time counts as the same
    EXPECT_EQ(f.engine.summary().copied, 0) << backup << ": copied again unchanged";
    const long long t = kFirst * 1'000'000'000LL + kFraction + later_ns;
    set_mtime(f.dir.write("src/f", "two"), static_cast<std::time_t>(t / 1'000'000'000),
              static_cast<long>(t % 1'000'000'000));
    f.run();
    return read_file(backup + "/f") == "two";
}

TEST(DiskTimesTest, AChangeIsCopiedAtThePrecisionTheBackupDiskKeeps) {
    FuseDisk fat(FuseDisk::Kind::Fat32);
    FuseDisk exfat(FuseDisk::Kind::Exfat);
    TempDir local;
    struct Case {
        const char* disk;
        std::string backup; // empty: that disk could not be had
        long long later_ns;
        bool copied;
    };
    const auto on = [](const FuseDisk& d, const char* folder) {
        return d.mounted() ? d / folder : std::string();
    };
    const Case cases[] = {
        // ext4 keeps nanoseconds: a file rewritten 1.8 s or even a moment after its
        // backup is newer.
        {"ext4", local / "a", 1'800'000'000, true},
        {"ext4", local / "b", 1'000, true},
        {"exFAT", on(exfat, "a"), 1'800'000'000, true},
        {"exFAT", on(exfat, "b"), 2'000'000'000, true},
        {"FAT32", on(fat, "a"), 2'000'000'000, true},
        {"FAT32", on(fat, "b"), 4'000'000'000, true},
    };
    for (const Case& c : cases) {
        if (c.backup.empty()) {
            std::printf("[ SKIPPED  ] %s: %s\n", c.disk,
                        (c.disk == std::string("FAT32") ? fat : exfat).why_not().c_str());
            continue;
        }
        EXPECT_EQ(second_run_copies(c.backup, c.later_ns), c.copied)
            << c.disk << ", " << c.later_ns << " ns later";
    }
    if (fat.mounted()) {
        EXPECT_EQ(copy_time(fat / "a/f") % 2, 0) << "FAT keeps even seconds";
    }
}

TEST(DiskTimesTest, TimesCompareAsAbsoluteTimesInTheAutumnsRepeatedHour) {
    ScopedEnv tz("TZ", "America/New_York");
    ::tzset();
    // 01:30 EDT and, an hour later, 01:30 EST: one local time, two moments.
    constexpr std::time_t kFirstHalfPast = 1793511000;
    EngineFixture f;
    const std::string src = f.dir.mkdir("src"), dst = f.dir.mkdir("dst");
    set_mtime(f.dir.write("dst/f", "one"), kFirstHalfPast);
    set_mtime(f.dir.write("src/f", "two"), kFirstHalfPast + 3600);
    f.line(src, "f", dst);
    f.options.create_journal = false;
    f.run();
    EXPECT_EQ(read_file(dst + "/f"), "two");
    tz.set(std::nullopt);
    ::tzset();
}

} // namespace
} // namespace vt::test
