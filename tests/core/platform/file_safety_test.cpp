// The files the program reads and writes: a read-only list, settings file or key store
// is never replaced, and only regular files are read.
#include "cli/headless_run.h"
#include "core/desktop/file_type.h"
#include "core/list/list_file.h"
#include "core/platform/file_names.h"
#include "core/platform/key_store.h"
#include "core/settings/settings_file.h"
#include "support/file_stat.h"
#include "support/folder_listing.h"
#include "support/temp_dir.h"

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace vt {
namespace {

using Clock = std::chrono::steady_clock;
using test::mode_of;
using test::names_in;

// Each write gives the error text its caller shows.
struct ReadOnlyCase {
    const char* what;
    std::function<std::string(const std::string& path)> write;
    std::string error;
};

TEST(ReadOnlyFiles, AreLeftByteForByteWithTheUsualError) {
    const ReadOnlyCase cases[] = {
        {"list",
         [](const std::string& path) {
             CopyList list;
             list.append_line({"/a", "*.*", "/b", "Yes", "No"});
             return save_vtl(list, path).error;
         },
         "File access denied"},
        {"settings file",
         [](const std::string& path) {
             return write_settings(path, Settings{}, kSettingsOptions | kSettingsHistoryFiles)
                 .error;
         },
         kSettingsWriteError},
        {"key store",
         [](const std::string& path) {
             KeyStore store(path);
             return FileTypeRegistration(store).install("/usr/bin/vantorel").value_or("");
         },
         "Failed to create key .vtl"},
    };
    for (const ReadOnlyCase& c : cases) {
        for (const bool through_link : {false, true}) {
            test::TempDir dir;
            const std::string file = dir.write("file", "[kept]\r\nas it was\r\n");
            ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
            std::string target = file;
            if (through_link) {
                target = dir / "link";
                ASSERT_EQ(::symlink(file.c_str(), target.c_str()), 0);
            }
            EXPECT_EQ(c.write(target), c.error) << c.what << (through_link ? " (link)" : "");
            EXPECT_EQ(test::read_file(file), "[kept]\r\nas it was\r\n") << c.what;
            EXPECT_EQ(mode_of(file) & 07777, 0444u) << c.what;
            EXPECT_EQ(names_in(dir.path()).size(), through_link ? 2u : 1u) << "no temporary file";
        }
    }
}

// Calls `read` with a FIFO that nobody writes to. A read that waits for a writer is
// released after two seconds, so that a failing test still ends; the answer must
// come long before.
void read_fifo(const std::function<void(const std::string&)>& read, const char* what) {
    test::TempDir dir;
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    std::atomic<bool> done = false;
    std::thread release([&] {
        for (int i = 0; i < 200 && !done; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!done)
            if (const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK); fd >= 0)
                ::close(fd);
    });
    const auto start = Clock::now();
    read(fifo);
    const auto took = Clock::now() - start;
    done = true;
    release.join();
    EXPECT_LT(took, std::chrono::milliseconds(500)) << what << " waited for a writer";
    EXPECT_TRUE(S_ISFIFO(mode_of(fifo))) << what << " replaced the FIFO";
}

TEST(SpecialFiles, AListThatIsNotARegularFileIsRefusedAtOnce) {
    for (const char* device : {"fifo", "/dev/zero"}) {
        const auto read = [device](const std::string& fifo) {
            CopyList list;
            list.append_line({"/kept", "*.*", "/b", "No", "No"});
            list.set_file_name("/lists/Kept.vtl");
            const std::string name = std::string(device) == "fifo" ? fifo : device;
            const IoResult r = load_vtl(list, name);
            EXPECT_FALSE(r.ok);
            EXPECT_EQ(r.error, "File access denied") << name;
            EXPECT_EQ(list.file_name(), "/lists/Kept.vtl");
            EXPECT_EQ(list.line_count(), 1);
        };
        read_fifo(read, device);
    }
    // A folder is refused as before.
    test::TempDir dir;
    CopyList list;
    EXPECT_EQ(load_vtl(list, dir.path()).error, "File access denied");
}

TEST(SpecialFiles, SettingsAndKeyStoreThatAreFifosAreNeitherReadNorReplaced) {
    read_fifo(
        [](const std::string& fifo) {
            EXPECT_EQ(read_settings(fifo), read_settings(fifo + ".missing"));
            EXPECT_EQ(write_settings(fifo, Settings{}, kSettingsOptions).error,
                      kSettingsWriteError);
        },
        "settings file");
    read_fifo(
        [](const std::string& fifo) {
            KeyStore store(fifo);
            EXPECT_EQ(store.read_string(KeyRoot::ClassesRoot, ".vtl", "").status,
                      ValueRead::Status::Absent);
            EXPECT_FALSE(store.create_key(KeyRoot::ClassesRoot, ".vtl").ok);
        },
        "key store");
}

TEST(SpecialFiles, TheHeadlessRunRefusesAFifoListAtOnce) {
    read_fifo(
        [](const std::string& fifo) {
            std::ostringstream out, err;
            const CommandLine command = parse_command_line({"--run", fifo});
            EXPECT_EQ(headless_run(command, CopyOptions{}, out, err, false), kExitNotStarted);
            EXPECT_NE(err.str().find("File access denied"), std::string::npos) << err.str();
        },
        "headless run");
}

TEST(FileNames, RelativeNamesBecomeAbsoluteWithoutDotParts) {
    test::TempDir dir;
    dir.mkdir("lists/deep");
    dir.mkdir("elsewhere/inner");
    ASSERT_EQ(::symlink((dir / "elsewhere/inner").c_str(), (dir / "lists/link").c_str()), 0);
    char old[4096];
    ASSERT_TRUE(::getcwd(old, sizeof old));
    ASSERT_EQ(::chdir((dir / "lists/deep").c_str()), 0);
    const std::string here = dir / "lists/deep";
    const std::pair<const char*, std::string> cases[] = {
        {"./daily.vtl", here + "/daily.vtl"},
        {"../daily.vtl", dir / "lists/daily.vtl"},
        {"../../lists/./deep//daily.vtl", here + "/daily.vtl"},
        {"../link/daily.vtl", dir / "lists/link/daily.vtl"},   // the link stays as named
        {"../link/../daily.vtl", dir / "elsewhere/daily.vtl"}, // ".." leaves its target
        {"/a/b/../../../c.vtl", "/c.vtl"},
        {"daily.vtl", here + "/daily.vtl"},
    };
    for (const auto& [argument, expected] : cases) {
        EXPECT_EQ(names::absolute(argument), expected) << argument;
        EXPECT_EQ(resolve_list_argument(argument), expected) << argument;
    }
    ASSERT_EQ(::chdir(old), 0);
}

} // namespace
} // namespace vt
