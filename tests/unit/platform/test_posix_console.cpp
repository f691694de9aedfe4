// The console and the fatal notice on the standard streams, and the clock.
#ifndef _WIN32

#include "platform/platform.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PosixConsole, OutputIsWrittenAsGivenAndTheTitleOnlyToATerminal) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(PlatConsoleOpen("Z:\\tmp\\debug.log"), 1);
    PlatConsoleWrite("line one\n", 9);
    PlatConsoleWrite("cut here", 3);
    PlatConsoleWrite("ignored", 0);
    PlatConsoleWrite(nullptr, 5);
    // Captured output is a file, not a terminal: no escape sequence in it.
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "line one\ncut");
}

TEST(PosixConsole, FatalNoticeShowsCaptionThenTextOnStandardError) {
    testing::internal::CaptureStderr();
    PlatFatalNotice("ABORT: broken\n       (x.cpp/1)\n", "Internal error...");
    PlatFatalNotice("no newline", "Caption");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Internal error...\nABORT: broken\n       (x.cpp/1)\nCaption\nno newline\n");
}

TEST(PosixClock, SleepLastsAtLeastWhatWasAsked) {
    uint32_t start = PlatTickCount();
    PlatSleep(30);
    uint32_t elapsed = PlatTickCount() - start;
    EXPECT_GE(elapsed, 30u);
    EXPECT_LT(elapsed, 2000u);
}

} // namespace

#endif
