// Message loop, timers and event dispatch, run on the headless (offscreen) video driver.
#include "platform/Platform_App.h"
#include "platform_test_util.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace {

class PlatformApp : public testing::Test {
  protected:
    ScopedEnv headless{"QUARVEL_HEADLESS", "1"};
    void SetUp() override { ASSERT_TRUE(Platform_Init()); }
    void TearDown() override { Platform_Quit(); }
};

TEST_F(PlatformApp, TimersFireFromTheLoopUntilTerminate) {
    int fast = 0, disabled = 0, enabledLater = 0;
    int later = Platform_AddTimer(
        5, [&] { ++enabledLater; }, false);
    Platform_AddTimer(
        1, [&] { ++disabled; }, false);
    Platform_AddTimer(
        5,
        [&] {
            if (++fast == 2) Platform_EnableTimer(later, true);
            if (fast == 6) Platform_Terminate();
        },
        true);

    int64_t start = Platform_TimeMicros();
    Platform_RunMessageLoop();
    EXPECT_EQ(fast, 6);
    EXPECT_EQ(disabled, 0);
    EXPECT_GE(enabledLater, 1);
    EXPECT_LE(enabledLater, 4);
    EXPECT_GE(Platform_TimeMicros() - start, 6 * 5000 - 1000);
    EXPECT_TRUE(Platform_Terminated());
    Platform_RunMessageLoop(); // returns at once once terminated
}

TEST_F(PlatformApp, TimerNeverReentersItsOwnHandler) {
    // The outer timer "runs the game": it pumps messages for a while, as the game loop does.
    int depth = 0, maxDepth = 0, outerCalls = 0, innerCalls = 0;
    Platform_AddTimer(
        1, [&] { ++innerCalls; }, true);
    Platform_AddTimer(
        1,
        [&] {
            ++outerCalls;
            maxDepth = std::max(maxDepth, ++depth);
            for (int i = 0; i < 20; ++i) {
                Platform_Sleep(2);
                PumpMessages();
            }
            --depth;
            Platform_Terminate();
        },
        true);
    Platform_RunMessageLoop();
    EXPECT_EQ(outerCalls, 1);
    EXPECT_EQ(maxDepth, 1);
    EXPECT_GE(innerCalls, 10); // other timers keep firing while the outer one pumps
}

TEST_F(PlatformApp, TimerCanRemoveItself) {
    int calls = 0, id = 0;
    id = Platform_AddTimer(
        1,
        [&] {
            ++calls;
            Platform_RemoveTimer(id);
        },
        true);
    Platform_AddTimer(
        30, [] { Platform_Terminate(); }, true);
    Platform_RunMessageLoop();
    EXPECT_EQ(calls, 1);
}

TEST_F(PlatformApp, EventsReachHandlersAndExceptionsReachTheLoopHandler) {
    int quits = 0, other = 0;
    int id = Platform_AddEventHandler([&](const void* e) { Platform_IsQuitEvent(e) ? ++quits : ++other; });
    ASSERT_TRUE(Platform_PushQuitEvent());
    PumpMessages();
    EXPECT_EQ(quits, 1);
    Platform_RemoveEventHandler(id);
    ASSERT_TRUE(Platform_PushQuitEvent());
    PumpMessages();
    EXPECT_EQ(quits, 1);

    // A handler that throws does not end the loop when an exception handler is set.
    std::string caught;
    Platform_SetLoopExceptionHandler([&](std::exception_ptr p) {
        try {
            std::rethrow_exception(p);
        } catch (const std::exception& e) {
            caught = e.what();
        }
    });
    int ticks = 0;
    Platform_AddTimer(
        1,
        [&] {
            if (++ticks == 1) throw std::runtime_error("timer failed");
            Platform_Terminate();
        },
        true);
    Platform_RunMessageLoop();
    EXPECT_EQ(caught, "timer failed");
    EXPECT_EQ(ticks, 2);
}

TEST(PlatformAppPaths, ExecutableLocation) {
    std::string exe = Platform_ExePath();
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(exe.front(), '/');
    EXPECT_EQ(Platform_ExeDir() + "/quarvel-tests", exe);
}

} // namespace
