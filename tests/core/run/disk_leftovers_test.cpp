// A killed run's unfinished copy is removed by the next run on every disk, however
// little the disk keeps of times.
#include "core/run/engine_fixture.h"
#include "support/file_stat.h"
#include "support/fuse_disk.h"

#include <algorithm>
#include <ctime>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace vt::test {
namespace {

TEST(DiskLeftoversTest, AKilledRunsCopyGoesAtTheNextRunWhateverTheFoldersTimeSays) {
    for (const FuseDisk::Kind kind : {FuseDisk::Kind::Fat32, FuseDisk::Kind::Exfat}) {
        FuseDisk disk(kind);
        if (!disk.mounted()) {
            std::printf("[ SKIPPED  ] %s disk not available: %s\n", disk.name(),
                        disk.why_not().c_str());
            continue;
        }
        SCOPED_TRACE(disk.name());
        EngineFixture f;
        const std::string src = f.dir.mkdir("src"), dst = disk / "dst";
        f.dir.write("src/a", "a");
        f.line(src, "*.*", dst);
        f.save_list();
        expect_offer(f.prompter, 1);
        f.run();
        // The backup folder, dated an hour back as its source, is found without leftovers.
        const timespec hour_ago[2] = {{std::time(nullptr) - 3600, 0},
                                      {std::time(nullptr) - 3600, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, dst.c_str(), hour_ago, 0), 0);
        ASSERT_EQ(::utimensat(AT_FDCWD, src.c_str(), hour_ago, 0), 0); // the run dates dst so
        expect_offer(f.prompter, 0);
        f.run();
        struct stat before {};
        ASSERT_EQ(::stat(dst.c_str(), &before), 0);

        // A run killed in this very second left a half copy, and the folder's time
        // was set back since (by `touch`, `cp -a`, or a run's own folder dates).
        const std::string leftover = dst + "/.vantorel-0123456789ab.tmp";
        const int fd = ::open(leftover.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "half", 4), 4);
        ::close(fd);
        const timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, dst.c_str(), times, 0), 0);

        expect_offer(f.prompter, 0);
        f.run();
        EXPECT_FALSE(exists(leftover));
        const auto lines = f.journal_lines();
        EXPECT_EQ(std::count(lines.begin(), lines.end(),
                             "Unfinished copy of an earlier run removed: " + leftover),
                  1);
        EXPECT_EQ(read_file(dst + "/a"), "a");
        EXPECT_TRUE(f.prompter.done());
    }
}

} // namespace
} // namespace vt::test
