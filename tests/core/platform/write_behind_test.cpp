#include "core/platform/write_behind.h"

#include "core/platform/sys.h"
#include "support/temp_dir.h"

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

namespace vt::test {
namespace {

using namespace std::chrono_literals;

TEST(WriteBehindTest, FlushesUntilStoppedAndAgainOnceGivenMore) {
    TempDir dir;
    const int folder = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(folder, 0);
    std::atomic<int> flushes = 0;
    sys::set_fault_hook([&](sys::Op op, const char*) {
        flushes += op == sys::Op::WriteBehind;
        return 0;
    });
    const auto flushes_soon = [&] {
        const int before = flushes;
        for (int i = 0; i < 500 && flushes < before + 2; ++i)
            std::this_thread::sleep_for(10ms);
        return flushes >= before + 2;
    };
    {
        WriteBehind behind(5ms);
        behind.add(folder);
        EXPECT_TRUE(flushes_soon());
        behind.stop();
        const int stopped = flushes;
        std::this_thread::sleep_for(50ms);
        EXPECT_EQ(flushes, stopped);
        behind.add(folder);
        EXPECT_TRUE(flushes_soon());
    }
    // A stop, also the end of its owner, does not wait for the next round: the run it
    // serves ends at once.
    const auto asked = std::chrono::steady_clock::now();
    {
        WriteBehind slow(1h);
        slow.add(folder);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 10s);
    sys::clear_fault_hook();
    ::close(folder);
}

} // namespace
} // namespace vt::test
