// The platform tables the worker relies on: the system table of this build
// (the standard library natively, Win32 under Wine) and the virtual one the
// other tests run on. The wake-up event must be auto-reset and must keep a
// signal given before the wait; a lost signal hangs the long waits below
// (caught by the ctest time-out).
#include <atomic>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "ground/platform.h"
#include "tests/support/virtual_platform.h"

namespace {

// Longer than the test's time-out: only a signal ends the wait in time.
constexpr uint32_t kForever = 200000;

struct TableCase {
    const char* name;
    bool isVirtual;
};

class PlatformTableTest : public ::testing::TestWithParam<TableCase> {
  protected:
    void SetUp() override {
        if (GetParam().isVirtual) virtual_platform::Install();
    }
    void TearDown() override {
        if (GetParam().isVirtual) {
            virtual_platform::JoinThreads();
            virtual_platform::Uninstall();
        }
    }
};

TEST_P(PlatformTableTest, WakeEventIsAutoResetAndKeepsAnEarlySignal) {
    const PlatformOps& p = Platform();
    ASSERT_TRUE(p.createWakeEvent());
    EXPECT_FALSE(p.waitWakeEvent(0));
    p.signalWakeEvent();
    p.signalWakeEvent();  // signals do not add up
    EXPECT_TRUE(p.waitWakeEvent(kForever));
    EXPECT_FALSE(p.waitWakeEvent(1));

    // Creating it again (a second worker start) clears a stale signal.
    p.signalWakeEvent();
    ASSERT_TRUE(p.createWakeEvent());
    EXPECT_FALSE(p.waitWakeEvent(0));
}

std::atomic<int> threadRuns{0};

void SignalFromThread() {
    threadRuns.fetch_add(1);
    Platform().signalWakeEvent();
}

TEST_P(PlatformTableTest, StartedThreadRunsAndItsSignalWakesTheWaiter) {
    const PlatformOps& p = Platform();
    ASSERT_TRUE(p.createWakeEvent());
    threadRuns = 0;
    for (int round = 1; round <= 20; ++round) {
        ASSERT_TRUE(p.startThread(SignalFromThread));
        ASSERT_TRUE(p.waitWakeEvent(kForever));
        EXPECT_EQ(threadRuns.load(), round);
    }
}

INSTANTIATE_TEST_SUITE_P(Tables, PlatformTableTest,
                         ::testing::Values(TableCase{"System", false}, TableCase{"Virtual", true}),
                         [](const ::testing::TestParamInfo<TableCase>& info) {
                             return info.param.name;
                         });

TEST(VirtualPlatformTest, SleepsMoveTheClockAtOnceAndAreRecorded) {
    virtual_platform::Install(0xFFFFFFF0u);  // about to wrap, like timeGetTime
    EXPECT_EQ(NowMilliseconds(), 0xFFFFFFF0u);
    SleepMilliseconds(10);
    SleepMilliseconds(0);  // a yield: no pause, no time
    virtual_platform::Advance(3);
    SleepMilliseconds(20);
    EXPECT_EQ(NowMilliseconds(), 0xFFFFFFF0u + 33u);

    std::vector<virtual_platform::Pause> pauses = virtual_platform::Pauses();
    ASSERT_EQ(pauses.size(), 2u);
    EXPECT_EQ(pauses[0].startedAt, 0xFFFFFFF0u);
    EXPECT_EQ(pauses[0].ms, 10u);
    EXPECT_EQ(pauses[1].startedAt, 0xFFFFFFF0u + 13u);
    EXPECT_EQ(pauses[1].ms, 20u);

    // Installing again starts over.
    virtual_platform::Install();
    EXPECT_EQ(NowMilliseconds(), 1000u);
    EXPECT_TRUE(virtual_platform::Pauses().empty());

    virtual_platform::Uninstall();
    EXPECT_EQ(&Platform(), &DefaultPlatform());
}

}  // namespace
