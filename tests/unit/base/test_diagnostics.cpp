#include "base/core.h"
#include "base/identity.h"
#include "base/strings.h"

#include "scratch-folder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace {

int32_t Switches(const char* tail) {
    int32_t flags = -1;
    EXPECT_EQ(1, ParseDebugSwitches(tail, &flags));
    return flags;
}

// The program's folder as DebugInit derives it from the module path.
std::string ModuleFolder() {
    char path[320];
    PlatGetModulePath(path, sizeof path);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

} // namespace

TEST(ParseDebugSwitches, FindsSwitchesAnywhereInAnyCase) {
    EXPECT_EQ(0, Switches(""));
    EXPECT_EQ(0, Switches("-Spawn -Update"));
    EXPECT_EQ(DEBUG_LOGFILE | DEBUG_VERBOSE, Switches("-DEBUG"));
    EXPECT_EQ(DEBUG_LOGFILE | DEBUG_VERBOSE, Switches("-Spawn -debugger"));
    EXPECT_EQ(DEBUG_CONSOLE, Switches("-WiNdOw"));
    EXPECT_EQ(DEBUG_APPEND, Switches("x-append"));
    EXPECT_EQ(15, Switches("-append -window -Register -Debug"));
}

// Every test here leaves diagnostics switched off again.
class DebugLogTest : public testing::Test {
  protected:
    void TearDown() override {
        DebugFlags = 0;
        DebugRemove();
    }
    std::string Init(int32_t flags) {
        std::string log = scratch_.Path("debug.log");
        EXPECT_EQ(1, DebugInit(log.c_str(), flags));
        return log;
    }
    ScratchFolder scratch_;
};

TEST_F(DebugLogTest, DebugSwitchEmptiesTheLogAndStartsWithTheBanner) {
    std::string log = scratch_.Path("debug.log");
    ScratchFolder::Write(log, "previous run\r\n");
    Init(DEBUG_LOGFILE | DEBUG_VERBOSE);
    LogPrint("%s Version %s (%s)\n", PROGRAM_NAME, PROGRAM_VERSION, PROGRAM_BUILD);
    EXPECT_EQ("ZunkCore v0.35\r\nUninstall Version " PROGRAM_VERSION " (Release)\r\n",
              ScratchFolder::Read(log));
    EXPECT_EQ(log, DebugLogPath());
}

TEST_F(DebugLogTest, AppendSwitchKeepsThePreviousRun) {
    std::string log = scratch_.Path("debug.log");
    ScratchFolder::Write(log, "previous run\r\n");
    Init(DEBUG_LOGFILE | DEBUG_VERBOSE | DEBUG_APPEND);
    EXPECT_EQ("previous run\r\nZunkCore v0.35\r\n", ScratchFolder::Read(log));
}

TEST_F(DebugLogTest, LogIsAWindowsTextFile) {
    std::string log = Init(DEBUG_LOGFILE);
    LogPrint("one\ntwo\n");
    LogPrint("%d%%\n", 50);
    LogPrint("no end");
    LogPrint("\n");
    EXPECT_EQ("one\r\ntwo\r\n50%\r\nno end\r\n", ScratchFolder::Read(log));
    EXPECT_STREQ("\n", DebugLastText());
}

TEST_F(DebugLogTest, NothingIsWrittenOrFormattedWithoutSwitches) {
    std::string log = Init(0);
    LogPrint("a line of %s\n", "text");
    LogSection("Title");
    std::string before = DebugLastText();
    LogPrint("another\n");
    EXPECT_FALSE(ScratchFolder::Exists(log));
    EXPECT_EQ(before, DebugLastText());

    // "-append" alone switches formatting on, but no output.
    DebugInit(log.c_str(), DEBUG_APPEND);
    LogPrint("kept %d\n", 7);
    EXPECT_STREQ("kept 7\n", DebugLastText());
    EXPECT_FALSE(ScratchFolder::Exists(log));
}

TEST_F(DebugLogTest, SectionLinesAreSeventyNineCharactersWide) {
    std::string log = Init(DEBUG_LOGFILE);
    LogSection("Memory Init");
    LogSection(nullptr);
    LogSection(std::string(200, 'T').c_str());
    std::string expected = "\r\n====[Memory Init]" + std::string(62, '=') + "\r\n" +
                           std::string(79, '=') + "\r\n" + "\r\n====[" + std::string(74, 'T') +
                           "\r\n";
    EXPECT_EQ(expected, ScratchFolder::Read(log));
}

TEST_F(DebugLogTest, LongestAllowedTextIsWrittenWhole) {
    std::string log = Init(DEBUG_LOGFILE);
    std::string text(LINE_TEXT_MAXIMUM - 1, 'x');
    LogPrint("%s\n", text.c_str());
    EXPECT_EQ(text + "\r\n", ScratchFolder::Read(log));
}

TEST_F(DebugLogTest, RelativeNamesGoBesideTheProgram) {
    DebugInit("trace.log", 0);
    EXPECT_EQ(ModuleFolder() + "trace.log", DebugLogPath());
    DebugInit("x", 0);
    EXPECT_EQ(ModuleFolder() + "debug.log", DebugLogPath());
    DebugInit("", 0);
    EXPECT_EQ(ModuleFolder() + "debug.log", DebugLogPath());
}

TEST_F(DebugLogTest, OverlongLogNamesAreCutToThePathBuffer) {
    std::string full = "Z:\\" + std::string(600, 'n');
    DebugInit(full.c_str(), 0);
    EXPECT_EQ(full.substr(0, 319), DebugLogPath());
    std::string relative(600, 'r');
    DebugInit(relative.c_str(), 0);
    EXPECT_EQ(319, StrLength(DebugLogPath()));
}

TEST(CoreLock, IsReentrantAndBalancedAcrossChecks) {
    CoreLockCreate();
    int32_t saved = DebugFlags;
    DebugFlags = DEBUG_APPEND; // format only
    // A check site holds the lock while logging, whose formatter runs
    // checks of its own: this must neither deadlock nor leave it held.
    BeginCheck(__FILE__, __LINE__);
    LogPrint("%s\n", "nested");
    LogSection("nested");
    EXPECT_EQ(1, CheckPointer(&saved));
    EXPECT_EQ(1, CORE_ASSERT(1 + 1 == 2, "arithmetic\n"));
    DebugFlags = saved;

    std::atomic<bool> obtained{false};
    std::thread other([&] {
        CoreLock();
        obtained = true;
        CoreUnlock();
    });
    for (int i = 0; i < 200 && !obtained; i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(obtained) << "the core lock was left held";
    if (obtained) other.join();
    else other.detach();
    CoreLockClose();
}

#ifndef _WIN32
// Fatal reports: notice on standard error, then the log, then status 1.
class FatalReportTest : public testing::Test {
  protected:
    ScratchFolder scratch_;
    std::string log_ = scratch_.Path("debug.log");
};

TEST_F(FatalReportTest, RaiseErrorNamesItsCheckSite) {
    std::string log = log_;
    int line = __LINE__ + 4;
    EXPECT_EXIT(
        {
            DebugInit(log.c_str(), DEBUG_LOGFILE);
            RAISE_ERROR("Couldn't load installation script.\n");
        },
        testing::ExitedWithCode(1),
        "Internal error\\.\\.\\.\nABORT: Couldn't load installation script\\.\n"
        "       \\(tests/unit/base/test_diagnostics\\.cpp/[0-9]+\\)\n$");
    EXPECT_EQ("\r\n\r\nABORT: Couldn't load installation script.\r\n       "
              "(tests/unit/base/test_diagnostics.cpp/" + std::to_string(line) + ")\r\n",
              ScratchFolder::Read(log));
}

TEST_F(FatalReportTest, FailedAssertionUsesTheAssertPrefix) {
    std::string log = log_;
    EXPECT_EXIT(
        {
            DebugInit(log.c_str(), DEBUG_LOGFILE);
            CORE_ASSERT(0, "Value %d out of range\n", 12);
        },
        testing::ExitedWithCode(1), "\nASSERT:Value 12 out of range\n       \\(");
    EXPECT_EQ(0u, ScratchFolder::Read(log).find("\r\n\r\nASSERT:Value 12 out of range\r\n"));
}

TEST_F(FatalReportTest, NoticeAppearsEvenWithDiagnosticsOff) {
    std::string log = log_;
    EXPECT_EXIT(
        {
            SetErrorLocation("site.cpp", 42);
            RaiseError("Unable to go on\n");
        },
        testing::ExitedWithCode(1), "ABORT: Unable to go on\n       \\(site\\.cpp/42\\)");
    EXPECT_FALSE(ScratchFolder::Exists(log));
}

TEST_F(FatalReportTest, OverlongTextIsWrittenAndThenEndsTheRun) {
    std::string log = log_;
    std::string text(LINE_TEXT_MAXIMUM, 'y');
    EXPECT_EXIT(
        {
            DebugInit(log.c_str(), DEBUG_LOGFILE);
            LogPrint("%s\n", text.c_str());
        },
        testing::ExitedWithCode(1),
        "ABORT: Last string too large \\(4087 > 4086\\)\n       \\(Unknown/0\\)");
    std::string written = ScratchFolder::Read(log);
    EXPECT_EQ(0u, written.find(text + "\r\n\r\n\r\nABORT: Last string too large (4087 > 4086)"));
}

TEST_F(FatalReportTest, HugeMessagesAreCutToTheLineBuffer) {
    std::string log = log_;
    std::string text(10000, 'z');
    EXPECT_EXIT(
        {
            DebugInit(log.c_str(), DEBUG_LOGFILE);
            RAISE_ERROR("%s", text.c_str());
        },
        testing::ExitedWithCode(1), "Last string too large \\(4095 > 4086\\)");
    std::string written = ScratchFolder::Read(log);
    // The cut report (two CR LF pairs, prefix, 4086 message bytes), then the
    // second report about its length.
    EXPECT_EQ(0u, written.find("\r\n\r\nABORT: " + std::string(4086, 'z') + "\r\n\r\nABORT: "));
}

#endif
