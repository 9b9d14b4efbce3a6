#include "core/platform/new_file.h"
#include "core/run/swept_folders.h"
#include "support/file_stat.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace vt::test {
namespace {

// The kernel stamps a folder's change at its clock's tick: a test's next change waits
// for the next one, as a run's looks, a second apart from any change, always do.
void next_tick() {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

struct stat stat_of(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

// What the next run knows of a folder after one run looked at it, and what happened to
// the folder or the record in between.
struct Case {
    const char* what;
    std::function<void(const TempDir&)> before_look; // the folder as the first run found it
    bool long_unchanged;                             // unchanged for a while before the look
    std::function<void(const TempDir&)> after_save;  // between the two runs
    bool clean_next;
};

TEST(SweptFolders, OnlyAFolderFoundWithoutTemporaryFilesAndUnchangedSinceIsTrusted) {
    const std::string temporary = "f/.vantorel-0123456789ab.tmp";
    int live = -1; // the file of a run under way, held open
    const std::vector<Case> cases = {
        {"found clean, unchanged", {}, true, {}, true},
        {"a file made in it since",
         {},
         true,
         [](const TempDir& d) {
             next_tick();
             d.write("f/new", "n");
         },
         false},
        {"a file removed from it since", [](const TempDir& d) { d.write("f/old", "o"); }, true,
         [](const TempDir& d) {
             next_tick();
             ::unlink((d / "f/old").c_str());
         },
         false},
        {"changed in the second before the look", {}, false, {}, false},
        {"a temporary of a run still under way, left alone",
         [&](const TempDir& d) {
             live = ::open(d.write(temporary, "being written").c_str(), O_RDWR | O_CLOEXEC);
             NewFile::hold(live);
         },
         true,
         {},
         false},
        {"the record damaged",
         {},
         true,
         [](const TempDir& d) {
             const std::string record = SweptFolders::path_for(d / "list.vtl");
             ASSERT_EQ(::truncate(record.c_str(), 3), 0);
         },
         false},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const ScopedEnv state{"XDG_STATE_HOME", dir / "state"};
        const std::string folder = dir.mkdir("f"), list = dir / "list.vtl";
        if (c.before_look)
            c.before_look(dir);
        const struct stat looked = stat_of(folder);
        const std::time_t started = looked.st_ctim.tv_sec + (c.long_unchanged ? 5 : 1);
        SweptFolders first;
        first.load(list);
        const int fd = ::open(folder.c_str(), O_PATH | O_DIRECTORY);
        EXPECT_TRUE(first.sweep(fd, looked, folder, started).empty()) << c.what;
        ::close(fd);
        if (live >= 0)
            ::close(std::exchange(live, -1));
        ASSERT_TRUE(first.save()) << c.what;
        if (c.after_save)
            c.after_save(dir);
        SweptFolders next;
        next.load(list);
        EXPECT_EQ(next.clean(stat_of(folder)), c.clean_next) << c.what;
    }
}

} // namespace
} // namespace vt::test
