#include "core/run/flush_batch.h"

#include "core/platform/sys.h"
#include "core/run/file_transfer.h"
#include "support/temp_dir.h"

#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <unistd.h>
#include <vector>

namespace vt::test {
namespace {

// Makes the copies of files "f0", "f1", ... that replace their backups, and records the
// flushes they get.
class FlushBatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        src = dir.mkdir("src");
        dst = dir.mkdir("dst");
        source_dir = ::open(src.c_str(), O_RDONLY | O_DIRECTORY);
        destination_dir = ::open(dst.c_str(), O_RDONLY | O_DIRECTORY);
    }
    void TearDown() override {
        sys::clear_fault_hook();
        ::close(source_dir);
        ::close(destination_dir);
    }

    TransferPlace place() const { return {source_dir, destination_dir, 0}; }

    std::vector<MadeCopy> make(int files) {
        std::vector<MadeCopy> made;
        for (int i = 0; i < files; ++i) {
            const std::string name = "f" + std::to_string(i);
            dir.write("src/" + name, "new " + name);
            dir.write("dst/" + name, "old " + name);
            made.push_back(FileTransfer::make_copy(place(), name, DestinationSeen::Unknown, methods,
                                                   scratch, CopyWatch{}));
            EXPECT_TRUE(made.back().ok() && made.back().replacing && !made.back().flushed);
        }
        return made;
    }

    // Fails the calls of the seam by their kind and number (counting from 1; 0: every
    // call), and counts them.
    void faults(std::map<sys::Op, std::pair<int, int>> by_op) {
        calls = std::make_shared<std::map<sys::Op, int>>();
        sys::set_fault_hook([by_op, calls = calls](sys::Op op, const char*) {
            const int nth = ++(*calls)[op];
            const auto f = by_op.find(op);
            if (f == by_op.end())
                return 0;
            return f->second.first == 0 || f->second.first == nth ? f->second.second : 0;
        });
    }
    int count(sys::Op op) const { return calls->count(op) ? calls->at(op) : 0; }

    TempDir dir;
    std::string src, dst;
    int source_dir = -1, destination_dir = -1;
    CopyMethods methods;
    CopyScratch scratch;
    std::shared_ptr<std::map<sys::Op, int>> calls;
};

TEST_F(FlushBatchTest, ADiskFlushedOnceServesTheBatchAndAFailedOneIsTriedPerCopy) {
    struct Case {
        const char* name;
        std::map<sys::Op, std::pair<int, int>> faults;
        int syncfs, datasyncs;   // calls expected
        std::vector<int> errors; // per copy: 0 flushed, else the Data problem's errno
    };
    const std::vector<Case> cases = {
        {"one flush of the disk", {}, 1, 0, {0, 0, 0}},
        {"the disk's flush fails, each copy is flushed alone",
         {{sys::Op::SyncFs, {0, EIO}}},
         1,
         3,
         {0, 0, 0}},
        {"the disk's flush fails, and so does one copy's own",
         {{sys::Op::SyncFs, {0, EIO}}, {sys::Op::DataSync, {2, EIO}}},
         1,
         3,
         {0, EIO, 0}},
        {"nothing reaches the disk",
         {{sys::Op::SyncFs, {0, EIO}}, {sys::Op::DataSync, {0, ENOSPC}}},
         1,
         3,
         {ENOSPC, ENOSPC, ENOSPC}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<MadeCopy> made = make(3);
        FlushBatch batch;
        faults(c.faults);
        for (MadeCopy& m : made)
            batch.add(m);
        EXPECT_EQ(batch.size(), 3u);
        batch.flush();
        sys::clear_fault_hook();
        EXPECT_TRUE(batch.empty());
        EXPECT_EQ(count(sys::Op::SyncFs), c.syncfs);
        EXPECT_EQ(count(sys::Op::DataSync), c.datasyncs);
        for (std::size_t i = 0; i < made.size(); ++i) {
            EXPECT_EQ(made[i].flushed, c.errors[i] == 0) << i;
            EXPECT_EQ(made[i].ok(), c.errors[i] == 0) << i;
            if (c.errors[i]) {
                EXPECT_EQ(made[i].problem, MadeCopy::Problem::Data) << i;
                EXPECT_EQ(made[i].error, c.errors[i]) << i;
            }
        }
    }
}

TEST_F(FlushBatchTest, OnlyWholeCopiesThatReplaceAndAreNotOnTheDiskJoin) {
    std::vector<MadeCopy> made = make(3);
    made[0].replacing = false;                      // a new file: left to the end of the run
    made[1].flushed = true;                         // flushed already
    made[2].problem = MadeCopy::Problem::Cancelled; // given up
    FlushBatch batch;
    for (MadeCopy& m : made)
        batch.add(m);
    EXPECT_TRUE(batch.empty());
    faults({});
    batch.flush();
    EXPECT_EQ(count(sys::Op::SyncFs) + count(sys::Op::DataSync), 0);
}

TEST_F(FlushBatchTest, ACopyNotYetFlushedIsFlushedBeforeItTakesTheBackupsName) {
    // Naming is the last guard: a replacing copy that missed its batch is flushed alone,
    // and one that cannot be flushed leaves the backup as it was.
    for (const int error : {0, EIO}) {
        SCOPED_TRACE(error);
        std::vector<MadeCopy> made = make(1);
        auto order = std::make_shared<std::vector<sys::Op>>();
        sys::set_fault_hook([order, error](sys::Op op, const char*) {
            if (op == sys::Op::DataSync || op == sys::Op::Rename)
                order->push_back(op);
            return op == sys::Op::DataSync ? error : 0;
        });
        FileTransfer::name_copy(made[0], place(), "f0");
        sys::clear_fault_hook();
        if (error) {
            EXPECT_EQ(*order, std::vector<sys::Op>{sys::Op::DataSync});
            EXPECT_EQ(made[0].problem, MadeCopy::Problem::Data);
            EXPECT_EQ(read_file(dst + "/f0"), "old f0");
        } else {
            EXPECT_EQ(*order, (std::vector<sys::Op>{sys::Op::DataSync, sys::Op::Rename}));
            EXPECT_TRUE(made[0].ok());
            EXPECT_EQ(read_file(dst + "/f0"), "new f0");
        }
    }
}

} // namespace
} // namespace vt::test
