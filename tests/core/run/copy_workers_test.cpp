#include "core/run/copy_workers.h"

#include "core/platform/sys.h"
#include "support/temp_dir.h"

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <thread>

namespace vt::test {
namespace {

TEST(CopyWorkersTest, ASmallCopyBehindALongOneIsTakenByAnIdleWorkerWhenTheRunWaitsForIt) {
    // Small copies are left to a busy worker rather than waking another for each; the
    // run waiting for one must still not wait for the long copy ahead of it.
    TempDir dir;
    dir.mkdir("dst");
    dir.write("src/big", std::string(1u << 20, 'b'));
    dir.write("src/small", "s");
    const SharedFd source{::open((dir / "src").c_str(), O_RDONLY | O_DIRECTORY)};
    const SharedFd destination{::open((dir / "dst").c_str(), O_RDONLY | O_DIRECTORY)};
    const TransferPlace place{source.get(), destination.get(), 0};
    std::atomic<bool> slow = true;
    // The long copy's data calls crawl until the test lets them go; a thread's copy is
    // that of the source it opened last.
    sys::set_fault_hook([&slow](sys::Op op, const char* path) {
        static thread_local bool big = false;
        if (op == sys::Op::Open && path)
            big = std::string(path) == "big";
        while (big && (op == sys::Op::Write || op == sys::Op::Read) && slow)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return 0;
    });
    CopyMethods methods;
    {
        CopyWorkers workers(2, methods);
        auto big = std::make_shared<TransferJob>(source, destination, place, "big",
                                                 DestinationSeen::Absent, 1u << 20);
        auto first = std::make_shared<TransferJob>(source, destination, place, "small",
                                                   DestinationSeen::Absent, 1);
        auto small = std::make_shared<TransferJob>(source, destination, place, "small",
                                                   DestinationSeen::Absent, 1);
        workers.start(big);
        std::this_thread::sleep_for(std::chrono::milliseconds(100)); // big is under way
        // The second worker comes for this one and is idle afterwards.
        workers.start(first);
        ASSERT_TRUE(workers.wait(*first, std::chrono::milliseconds(2000)));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        workers.start(small);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_FALSE(big->finished());
        EXPECT_TRUE(workers.wait(*small, std::chrono::milliseconds(2000)));
        EXPECT_TRUE(small->made().ok());
        EXPECT_FALSE(big->finished());
        slow = false;
        EXPECT_TRUE(workers.wait(*big, std::chrono::milliseconds(5000)));
    }
    sys::clear_fault_hook();
}

} // namespace
} // namespace vt::test
