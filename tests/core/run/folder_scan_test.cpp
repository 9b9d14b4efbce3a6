#include "core/platform/directory.h"
#include "core/run/folder_scan.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace vt::test {
namespace {

std::vector<FolderScan::Entry> take_folder(FolderScan& scan, std::size_t index,
                                           int* error = nullptr) {
    std::vector<FolderScan::Entry> all, batch;
    int failed = 0;
    for (bool more = true; more;) {
        more = scan.next(index, batch, failed);
        for (FolderScan::Entry& e : batch)
            all.push_back(std::move(e));
    }
    if (error)
        *error = failed;
    return all;
}

std::vector<std::string> listed(const std::string& folder) {
    std::vector<std::string> names;
    Directory d(folder);
    std::string_view name;
    unsigned char type = 0;
    while (d.next(name, type))
        names.emplace_back(name);
    return names;
}

TEST(FolderScanTest, ReportsEveryMatchingEntryInOrderWithTheDestinationsState) {
    TempDir dir;
    const std::string big = dir.mkdir("big"), out = dir.mkdir("out");
    // More entries than one batch holds, so a folder arrives in several parts.
    for (int i = 0; i < 2500; ++i)
        dir.write("big/f" + std::to_string(i) + ".txt", "x");
    dir.write("big/skip.doc", "x");
    dir.write("out/f1.txt", "old");
    dir.mkdir("out/f2.txt"); // a folder in the destination is not a file there
    const std::string small = dir.mkdir("small");
    dir.write("small/g.txt", "x");

    FolderScan scan({{big, out}, {small, dir / "missing"}}, "*.TXT");
    const auto entries = take_folder(scan, 0);
    std::vector<std::string> expected = listed(big), got;
    std::erase(expected, "skip.doc");
    for (const auto& e : entries)
        got.push_back(e.name);
    EXPECT_EQ(got, expected); // the file system's order, mask applied

    for (const auto& e : entries) {
        EXPECT_TRUE(e.destination_seen) << e.name;
        EXPECT_EQ(e.destination_present, e.name == "f1.txt") << e.name;
        if (e.name == "f1.txt") {
            EXPECT_EQ(e.destination.st_size, 3);
        }
    }
    const auto second = take_folder(scan, 1);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0].name, "g.txt");
    EXPECT_FALSE(second[0].destination_seen); // no destination folder yet
    EXPECT_TRUE(take_folder(scan, 2).empty());
}

// The run takes the scan's look at a source entry for its own while it is recent:
// it must be the look the run would take, and none is taken for a walk without hints.
TEST(FolderScanTest, LooksAtEachSourceEntryAsTheRunWouldUnlessToldNot) {
    TempDir dir;
    const std::string src = dir.mkdir("src"), out = dir.mkdir("out");
    dir.write("src/file", "eight ch");
    dir.write("out/file", "old");
    dir.mkdir("src/folder");
    ASSERT_EQ(::symlink("file", (src + "/to_file").c_str()), 0);
    ASSERT_EQ(::symlink("folder", (src + "/to_folder").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", (src + "/dangling").c_str()), 0);
    ASSERT_EQ(::mkfifo((src + "/fifo").c_str(), 0644), 0);
    struct Case {
        const char* name;
        bool looked;
        EntryKind kind;
        off_t size; // of a file
    };
    const Case cases[] = {
        {"file", true, EntryKind::File, 8},
        {"to_file", true, EntryKind::File, 8}, // the file's, not the link's
        {"to_folder", true, EntryKind::Other, 0},
        {"dangling", true, EntryKind::Other, 0},
        {"fifo", true, EntryKind::Other, 0},
        {"folder", false, EntryKind::Other, 0}, // entered, never taken as a file
    };
    for (const bool looks : {true, false}) {
        FolderScan scan({{src, out}}, "*",
                        looks ? FolderScan::Looks::Both : FolderScan::Looks::None);
        const auto entries = take_folder(scan, 0);
        ASSERT_EQ(entries.size(), std::size(cases));
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (looks ? ", looks" : ", no looks"));
            const auto e = std::find_if(entries.begin(), entries.end(),
                                        [&c](const auto& entry) { return entry.name == c.name; });
            ASSERT_NE(e, entries.end());
            EXPECT_EQ(e->source_seen, looks && c.looked);
            EXPECT_EQ(e->destination_seen, looks && c.looked);
            if (!e->source_seen)
                continue;
            EXPECT_EQ(e->source_kind, c.kind);
            if (c.kind == EntryKind::File) {
                EXPECT_EQ(e->source.st_size, c.size);
            }
        }
    }
}

TEST(FolderScanTest, ASharingScanLooksAtDestinationsOnlyWhileWellAheadOfItsReader) {
    TempDir dir;
    const std::string src = dir.mkdir("src"), out = dir.mkdir("out");
    for (int i = 0; i < 2500; ++i) {
        dir.write("src/f" + std::to_string(i), "x");
        dir.write("out/f" + std::to_string(i), "old");
    }
    FolderScan scan({{src, out}}, "*", FolderScan::Looks::Shared);
    // The reader is late: the first batch went out with nothing queued before it, the
    // later ones behind more than enough.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const auto entries = take_folder(scan, 0);
    ASSERT_EQ(entries.size(), 2500u);
    EXPECT_FALSE(entries.front().destination_seen);
    EXPECT_TRUE(entries.back().destination_seen);
    EXPECT_TRUE(entries.back().destination_present);
    for (const auto& e : entries)
        EXPECT_TRUE(e.source_seen) << e.name;
}

TEST(FolderScanTest, LeavingAFolderEarlyOrStoppingTheRunNeverHangs) {
    TempDir dir;
    std::vector<FolderScan::Place> places;
    for (int i = 0; i < 40; ++i) {
        const std::string folder = dir.mkdir("d" + std::to_string(i));
        for (int j = 0; j < 1100; j += 100)
            dir.write("d" + std::to_string(i) + "/f" + std::to_string(j), "x");
        places.push_back({folder, dir / "out"});
    }
    {
        FolderScan scan(places, "*");
        std::vector<FolderScan::Entry> batch;
        int error = 0;
        scan.next(0, batch, error); // part of folder 0 only
        const auto later = take_folder(scan, 5);
        EXPECT_EQ(later.size(), 11u);
        EXPECT_TRUE(later.front().name.starts_with("f"));
    } // stops while the scan waits for room
    { FolderScan untouched(places, "*"); }
    FolderScan empty({}, "*");
    std::vector<FolderScan::Entry> batch;
    int error = 0;
    EXPECT_FALSE(empty.next(0, batch, error));
    EXPECT_TRUE(batch.empty());
}

} // namespace
} // namespace vt::test
