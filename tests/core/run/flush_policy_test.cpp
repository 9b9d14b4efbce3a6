#include "core/run/flush_policy.h"

#include "core/platform/disk_traits.h"
#include "core/platform/sys.h"
#include "core/run/disk_flush.h"
#include "core/run/engine_fixture.h"
#include "core/run/file_transfer.h"
#include "core/run/journal.h"
#include "support/file_stat.h"
#include "support/fuse_disk.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <unistd.h>

namespace vt::test {
namespace {

constexpr std::time_t kNoon = 1700049600;
constexpr int kReplaced = 60; // files with an older backup
constexpr int kNew = 20;      // files without one

std::string name_of(int i) {
    return "f" + std::to_string(1000 + i);
}

// Writes `content` to `path` with the modification time `when`.
void put(const std::string& path, const std::string& content, std::time_t when) {
    std::ofstream(path, std::ios::binary) << content;
    set_mtime(path, when);
}

// The calls of the seam in the order they were made, from every thread, with the
// thread that made each: a flush of a copy is told from another's by the source the
// same thread opened last.
class CallLog {
public:
    struct Call {
        sys::Op op;
        std::string path;
        std::thread::id thread;
    };

    void start() {
        sys::set_fault_hook([this](sys::Op op, const char* path) {
            const std::lock_guard lock(mutex_);
            calls_.push_back({op, path ? path : "", std::this_thread::get_id()});
            return 0;
        });
    }
    std::vector<Call> stop() {
        sys::clear_fault_hook();
        const std::lock_guard lock(mutex_);
        return std::move(calls_);
    }

private:
    std::mutex mutex_;
    std::vector<Call> calls_;
};

// For each copy named (by the name it took), whether a flush of that copy's own came
// before: a DataSync on the thread that last opened a source of that name.
std::map<std::string, bool> flushed_before_named(const std::vector<CallLog::Call>& calls) {
    std::map<std::thread::id, std::string> opened;
    std::map<std::string, bool> flushed, named;
    for (const CallLog::Call& c : calls) {
        if (c.op == sys::Op::Open && c.path.rfind("f1", 0) == 0)
            opened[c.thread] = c.path;
        else if (c.op == sys::Op::DataSync && opened.count(c.thread))
            flushed[opened[c.thread]] = true;
        else if (c.op == sys::Op::Rename && c.path.rfind("f1", 0) == 0)
            named.emplace(c.path, flushed[c.path]);
    }
    return named;
}

class FlushPolicyTest : public ::testing::Test {
protected:
    void TearDown() override {
        sys::clear_fault_hook();
        sys::clear_disk_type_hook();
    }

    // A tree of files, most with an older backup in `destination`, run on workers.
    static void make_tree(EngineFixture& f, const std::string& destination) {
        std::filesystem::create_directories(f.dir / "src");
        for (int i = 0; i < kReplaced + kNew; ++i) {
            put(f.dir / ("src/" + name_of(i)), "new " + name_of(i), kNoon + 3600);
            if (i < kReplaced)
                put(destination + "/" + name_of(i), "old " + name_of(i), kNoon);
        }
        f.line(f.dir / "src", "*.*", destination);
        f.save_list();
        f.prompter.answer_next(Answer::No); // the offer to view the journal
        f.engine.set_jobs(3);
        f.options.create_journal = true;
    }

    // Every file of the tree has its new content in `destination`, told in the journal.
    static void expect_copied(EngineFixture& f, const std::string& destination) {
        const auto journal = f.journal_lines();
        for (int i = 0; i < kReplaced + kNew; ++i) {
            EXPECT_EQ(read_file(destination + "/" + name_of(i)), "new " + name_of(i));
            EXPECT_EQ(count_of(journal, "Copied OK: " + name_of(i) + " "), 1) << name_of(i);
        }
        EXPECT_TRUE(EngineFixture::leftovers(destination).empty());
    }

    CallLog log;
};

TEST_F(FlushPolicyTest, EachDiskIsFlushedByAFlushThatReachesIt) {
    struct Case {
        const char* name;
        long type;       // what statfs says of the test machine's disk
        bool whole_disk; // copies that replace share one syncfs of the disk
    };
    const Case cases[] = {
        {"FUSE (ntfs-3g, exfat-fuse, sshfs)", disk_type::kFuse, false},
        {"FAT", disk_type::kVfat, false},
        {"a network share", disk_type::kCifs, false},
        {"an unknown file system", 0x12345678, false},
        {"ext4", disk_type::kExt, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FlushPolicy(nullptr).flushes_whole_disk(), false);
        const DiskTraits traits = traits_of_type(c.type);
        EXPECT_EQ(FlushPolicy(&traits).flushes_whole_disk(), c.whole_disk);

        EngineFixture f;
        make_tree(f, f.dir.mkdir("dst"));
        sys::set_disk_type_hook([&c](long) { return c.type; });
        log.start();
        f.run();
        const auto calls = log.stop();
        sys::clear_disk_type_hook();
        expect_copied(f, f.dir / "dst");

        const auto named = flushed_before_named(calls);
        ASSERT_EQ(static_cast<int>(named.size()), kReplaced + kNew);
        const auto last_rename =
            std::find_if(calls.rbegin(), calls.rend(),
                         [](const CallLog::Call& call) { return call.op == sys::Op::Rename; });
        auto after_last = [&](sys::Op op) {
            return std::any_of(calls.rbegin(), last_rename,
                               [op](const CallLog::Call& call) { return call.op == op; });
        };
        auto count = [&](sys::Op op) {
            return std::count_if(calls.begin(), calls.end(),
                                 [op](const CallLog::Call& call) { return call.op == op; });
        };
        if (c.whole_disk) {
            // One flush of the disk serves the copies, and closes the run.
            EXPECT_EQ(count(sys::Op::DataSync), 0);
            EXPECT_GE(count(sys::Op::SyncFs), 1);
            EXPECT_TRUE(after_last(sys::Op::SyncFs));
            continue;
        }
        // No flush of the whole disk is relied on: each copy, a new one too, had its
        // own before it took its name, and the folders their names are in are flushed
        // after the last of them.
        for (const auto& [name, flushed] : named)
            EXPECT_TRUE(flushed) << name << " named before a flush of its own";
        EXPECT_EQ(count(sys::Op::SyncFs), 0);
        EXPECT_EQ(count(sys::Op::WriteBehind), 0);
        EXPECT_TRUE(after_last(sys::Op::Sync));
    }
}

TEST_F(FlushPolicyTest, BackupsOnARealFuseDiskAreReplacedByWorkers) {
    for (const auto kind : {FuseDisk::Kind::Fat32, FuseDisk::Kind::Exfat}) {
        FuseDisk disk(kind);
        SCOPED_TRACE(disk.name());
        VT_NEEDS_DISK(disk);
        EngineFixture f;
        std::filesystem::create_directories(disk / "dst");
        make_tree(f, disk / "dst");
        log.start();
        f.run();
        const auto calls = log.stop();
        expect_copied(f, disk / "dst");
        for (const auto& [name, flushed] : flushed_before_named(calls))
            EXPECT_TRUE(flushed) << name << " named before a flush of its own";
        EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                                [](const CallLog::Call& c) { return c.op == sys::Op::SyncFs; }),
                  0);
        // What the run wrote is on the disk when it is put in again.
        ASSERT_TRUE(disk.remount());
        for (int i = 0; i < kReplaced + kNew; ++i)
            EXPECT_EQ(read_file(disk / ("dst/" + name_of(i))), "new " + name_of(i));
    }
}

TEST_F(FlushPolicyTest, AFat32StickRefusesAFileLargerThanItHolds) {
    // Sparse: a file of 4 GiB costs nothing to make, and is never copied.
    FuseDisk disk(FuseDisk::Kind::Fat32);
    VT_NEEDS_DISK(disk);
    EngineFixture f;
    std::filesystem::create_directories(f.dir / "src");
    put(f.dir / "src/small.txt", "small", kNoon);
    put(f.dir / "src/disk.img", "", kNoon);
    std::filesystem::resize_file(f.dir / "src/disk.img", 0x100000000ull);
    std::filesystem::create_directories(disk / "dst");
    f.line(f.dir / "src", "*.*", disk / "dst");
    f.save_list();
    f.options.create_journal = true;
    f.engine.set_jobs(2);
    f.prompter.expect("Destination File Access Problem",
                      "Your system is unable to create the destination file\r\ndisk.img with "
                      "the following message: \r\n\r\nThe file is larger than the largest file "
                      "the destination disk can hold (4 GiB - 1 byte)",
                      Answer::Ignore);
    f.prompter.answer_next(Answer::No); // the offer to view the journal
    f.run();
    EXPECT_EQ(read_file(disk / "dst/small.txt"), "small");
    EXPECT_FALSE(exists(disk / "dst/disk.img"));
    EXPECT_TRUE(EngineFixture::leftovers(disk / "dst").empty());
    EXPECT_EQ(count_of(f.journal_lines(), "disk.img not copied: it is larger than the largest "
                                          "file the destination disk can hold (4 GiB - 1 byte)"),
              1);
}

TEST_F(FlushPolicyTest, TheClosingFlushReachesEachDiskItsOwnWay) {
    struct Case {
        const char* name;
        long type;
        std::set<sys::Op> failing; // with EIO
        int disk_flushes, folder_flushes, failures;
    };
    const Case cases[] = {
        {"ext4: the whole disk", disk_type::kExt, {}, 1, 0, 0},
        {"ext4, failing", disk_type::kExt, {sys::Op::SyncFs}, 1, 0, 1},
        // The folder written and the one holding it, for the names taken there.
        {"FUSE: each folder written", disk_type::kFuse, {}, 0, 2, 0},
        {"FUSE, failing: told once for the disk", disk_type::kFuse, {sys::Op::Sync}, 0, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string folder = dir.mkdir("backup");
        const int fd = ::open(folder.c_str(), O_PATH | O_DIRECTORY);
        ScriptedPrompter prompter;
        Journal journal;
        std::vector<std::string> entries;
        journal.open_preview([&](const std::string& line) { entries.push_back(line); });
        if (c.failures)
            prompter.answer_next(Answer::Ok);
        std::map<sys::Op, int> calls;
        std::mutex mutex;
        sys::set_disk_type_hook([&c](long) { return c.type; });
        sys::set_fault_hook([&](sys::Op op, const char*) {
            const std::lock_guard lock(mutex);
            ++calls[op];
            return c.failing.count(op) ? EIO : 0;
        });
        DiskFlush flush;
        flush.wrote_into(fd, folder);
        flush.wrote_into(fd, folder); // noted once
        EXPECT_EQ(flush.flush(journal, prompter), c.failures);
        sys::clear_fault_hook();
        sys::clear_disk_type_hook();
        ::close(fd);
        EXPECT_EQ(calls[sys::Op::SyncFs], c.disk_flushes);
        EXPECT_EQ(calls[sys::Op::Sync], c.folder_flushes);
        EXPECT_EQ(static_cast<int>(entries.size()), c.failures);
        if (c.failures) {
            EXPECT_EQ(entries[0], "Unable to flush the copies in " + folder +
                                      " to the disk because Input/output error");
        }
    }
}

// A copy whose length on the disk is not its source's, or a file the disk cannot
// hold, is a failure that never takes the backup's name.
class CopyLengthTest : public ::testing::Test {
protected:
    void SetUp() override {
        src = dir.mkdir("src");
        dst = dir.mkdir("dst");
        journal.open_preview([this](const std::string& line) { entries.push_back(line); });
        source_dir = ::open(src.c_str(), O_RDONLY | O_DIRECTORY);
        destination_dir = ::open(dst.c_str(), O_PATH | O_DIRECTORY);
    }
    void TearDown() override {
        sys::clear_fault_hook();
        ::close(source_dir);
        ::close(destination_dir);
    }

    // Cuts the copies being written in `dst` to `length`, as a driver that drops what
    // passes its limits: found by their descriptors, as the seam names none.
    void cut_copies_to(off_t length) {
        std::filesystem::path fds("/proc/self/fd");
        for (const auto& fd : std::filesystem::directory_iterator(fds)) {
            char target[PATH_MAX] = {};
            if (::readlink(fd.path().c_str(), target, sizeof target - 1) <= 0)
                continue;
            if (std::string(target).rfind(dst + "/", 0) == 0) {
                EXPECT_EQ(::ftruncate(std::stoi(fd.path().filename()), length), 0);
            }
        }
    }

    TempDir dir;
    std::string src, dst;
    int source_dir = -1, destination_dir = -1;
    ScriptedPrompter prompter;
    Journal journal;
    std::vector<std::string> entries;
    FileTransfer transfer{prompter, journal};
};

TEST_F(CopyLengthTest, ACopyShorterThanItsSourceFailsAndTheBackupStays) {
    struct Case {
        const char* name;
        bool replacing;
    };
    for (const Case c : {Case{"a backup to replace", true}, Case{"a new file", false}}) {
        SCOPED_TRACE(c.name);
        const std::string name = c.replacing ? "old.bin" : "new.bin";
        dir.write("src/" + name, pattern(200000, 4096));
        if (c.replacing)
            dir.write("dst/" + name, "the last good backup");
        entries.clear();
        prompter.expect("Data Transfer Problem",
                        "Your system is having trouble completing the copy of file\r\n" + name +
                            " with the following message: \r\n\r\nThe copy on the disk is "
                            "shorter than its source",
                        Answer::Ignore);
        // The copy loses its end after its data was written, when its times are set.
        sys::set_fault_hook([this](sys::Op op, const char*) {
            if (op == sys::Op::SetTimes)
                cut_copies_to(65536);
            return 0;
        });
        TransferPlace place{source_dir, destination_dir, 0};
        EXPECT_EQ(transfer.transfer(place, name), TransferOutcome::Skip);
        sys::clear_fault_hook();
        EXPECT_EQ(exists(dst + "/" + name), c.replacing);
        if (c.replacing) {
            EXPECT_EQ(read_file(dst + "/" + name), "the last good backup");
        }
        EXPECT_TRUE(EngineFixture::leftovers(dst).empty());
        EXPECT_NE(std::find(entries.begin(), entries.end(),
                            "Copy of " + name +
                                " generated a system error of The copy on the disk is shorter "
                                "than its source"),
                  entries.end());
    }
}

TEST_F(CopyLengthTest, AFileLargerThanTheDiskCanHoldIsRefusedBeforeItIsCopied) {
    // Sparse: a file of 4 GiB costs nothing to make or to copy.
    constexpr std::uint64_t kFatLimit = 0xFFFFFFFFull;
    struct Case {
        const char* name;
        long type;
        std::uint64_t size;
        bool refused;
    };
    const Case cases[] = {
        {"4 GiB onto FAT", disk_type::kVfat, kFatLimit + 1, true},
        {"4 GiB - 1 byte onto FAT", disk_type::kVfat, kFatLimit, false},
        {"4 GiB onto ext4", disk_type::kExt, kFatLimit + 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = "disk.img";
        const std::string from = dir.write("src/" + name, "");
        ASSERT_EQ(::truncate(from.c_str(), static_cast<off_t>(c.size)), 0);
        dir.write("dst/" + name, "the last good backup");
        entries.clear();
        sys::set_disk_type_hook([&c](long) { return c.type; });
        const int readable = ::open(dst.c_str(), O_RDONLY | O_DIRECTORY);
        const DiskTraits disk = disk_traits(readable, false);
        ::close(readable);
        sys::clear_disk_type_hook();
        TransferPlace place{source_dir, destination_dir, 0};
        place.disk = &disk;
        int created = 0;
        sys::set_fault_hook([&created](sys::Op op, const char*) {
            created += op == sys::Op::Create;
            return 0;
        });
        if (c.refused) {
            prompter.expect("Destination File Access Problem",
                            "Your system is unable to create the destination file\r\n" + name +
                                " with the following message: \r\n\r\nThe file is larger than "
                                "the largest file the destination disk can hold (4 GiB - 1 byte)",
                            Answer::Ignore);
        }
        EXPECT_EQ(transfer.transfer(place, name),
                  c.refused ? TransferOutcome::Skip : TransferOutcome::Copied);
        sys::clear_fault_hook();
        struct stat st {};
        ASSERT_EQ(::stat((dst + "/" + name).c_str(), &st), 0);
        if (c.refused) {
            EXPECT_EQ(created, 0);
            EXPECT_EQ(read_file(dst + "/" + name), "the last good backup");
            EXPECT_EQ(entries, std::vector<std::string>{
                                   name + " not copied: it is larger than the largest file the "
                                          "destination disk can hold (4 GiB - 1 byte)"});
        } else {
            EXPECT_EQ(static_cast<std::uint64_t>(st.st_size), c.size);
        }
    }
}

} // namespace
} // namespace vt::test
