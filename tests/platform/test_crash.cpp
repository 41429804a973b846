// Fatal-signal reports and stack traces.
#include "platform/Platform_Crash.h"

#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

TEST(PlatformCrash, StackTraceNamesTheModule) {
    std::vector<std::string> frames = Platform_StackTrace();
    ASSERT_FALSE(frames.empty());
    bool found = false;
    for (const std::string& f : frames) found |= f.find("quarvel-tests") != std::string::npos;
    EXPECT_TRUE(found) << frames.front();
}

void CrashWithReport(int sig) {
    Platform_InstallCrashHandler([](const std::string& message, const std::vector<std::string>& frames) {
        std::fprintf(stderr, "CRASH %s frames=%zu\n", message.c_str(), frames.size());
    });
    std::raise(sig);
}

TEST(PlatformCrash, FatalSignalsReportAndExit70) {
    if (!Platform_CrashHandlerAvailable()) GTEST_SKIP() << "signal handlers stay off under AddressSanitizer";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(CrashWithReport(SIGSEGV), testing::ExitedWithCode(70),
                "CRASH signal 11 \\(SIGSEGV\\) frames=[1-9]");
    EXPECT_EXIT(CrashWithReport(SIGFPE), testing::ExitedWithCode(70), "CRASH signal 8 \\(SIGFPE\\)");
    EXPECT_EXIT(CrashWithReport(SIGABRT), testing::ExitedWithCode(70), "CRASH signal 6 \\(SIGABRT\\)");
}

} // namespace
