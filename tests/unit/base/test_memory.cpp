#include "base/core.h"

#include "scratch-folder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

namespace {

// Gross size of a live block, measured through the manager's own counters.
int32_t MeasuredGrossSize(int32_t size) {
    MemStats before = MemGetStats();
    char* block = MEM_ALLOC(char, size);
    int32_t gross = MemGetStats().bytes - before.bytes;
    MEM_FREE(&block, size);
    return gross;
}

} // namespace

TEST(MemAlloc, CountsGrossSizesOfSizePlusGuardsInWholeWords) {
    EXPECT_EQ(12, MeasuredGrossSize(1));
    EXPECT_EQ(12, MeasuredGrossSize(4));
    EXPECT_EQ(16, MeasuredGrossSize(5));
    EXPECT_EQ(16, MeasuredGrossSize(8));
    EXPECT_EQ(4104, MeasuredGrossSize(4096));
}

TEST(MemAlloc, HandsOutZeroedAlignedAreasAndTracksPeaks) {
    MemStats before = MemGetStats();
    char* first = MEM_ALLOC(char, 5);
    // The whole area, rounding slack included, starts out zero.
    for (int i = 0; i < 8; i++) EXPECT_EQ(0, first[i]) << i;
    // Aligned for any type, so records with pointers and doubles are safe.
    EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(first) % alignof(std::max_align_t));

    double* second = MEM_ALLOC(double, 3 * sizeof(double));
    second[2] = 1.5;
    MemStats during = MemGetStats();
    EXPECT_EQ(before.count + 2, during.count);
    EXPECT_EQ(before.bytes + 16 + 32, during.bytes);
    EXPECT_GE(during.peakCount, during.count);
    EXPECT_GE(during.peakBytes, during.bytes);

    MEM_FREE(&first, 5);
    MEM_FREE(&second, 3 * sizeof(double));
    EXPECT_EQ(nullptr, first);
    EXPECT_EQ(nullptr, second);
    MemStats after = MemGetStats();
    EXPECT_EQ(before.count, after.count);
    EXPECT_EQ(before.bytes, after.bytes);
    EXPECT_EQ(during.peakBytes, after.peakBytes);
}

TEST(MemFree, AcceptsWritesIntoTheRoundingSlack) {
    // Size 5 has three bytes of slack before the back guard: not a corruption.
    char* block = MEM_ALLOC(char, 5);
    memset(block, 'x', 8);
    EXPECT_EQ(1, MEM_FREE(&block, 5));
    EXPECT_EQ(nullptr, block);
}

TEST(MemAlloc, StaysConsistentUnderConcurrentUse) {
    CoreLockCreate();
    MemStats before = MemGetStats();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; t++) {
        threads.emplace_back([] {
            for (int i = 0; i < 2000; i++) {
                int32_t size = 1 + i % 61;
                char* block = MEM_ALLOC(char, size);
                block[size - 1] = 'x';
                MEM_FREE(&block, size);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    MemStats after = MemGetStats();
    EXPECT_EQ(before.count, after.count);
    EXPECT_EQ(before.bytes, after.bytes);
    CoreLockClose();
}

#ifndef _WIN32
// Fatal misuse ends the process; each case runs in a child of its own.
TEST(MemoryDeathTest, DetectsAnOverrunIntoTheBackGuard) {
    EXPECT_EXIT(
        {
            char* block = MEM_ALLOC(char, 4);
            block[4] = 1;
            MEM_FREE(&block, 4);
        },
        testing::ExitedWithCode(1),
        "ABORT: Memory corrupt \\(4\\) <Before:0 After:1 Max:4>\n"
        "       \\(tests/unit/base/test_memory\\.cpp/[0-9]+\\)");
}

TEST(MemoryDeathTest, DetectsAnUnderrunIntoTheFrontGuard) {
    EXPECT_EXIT(
        {
            char* block = MEM_ALLOC(char, 8);
            block[-1] ^= 0x55;
            block[-2] ^= 0x55;
            MEM_FREE(&block, 8);
        },
        testing::ExitedWithCode(1), "Memory corrupt \\(8\\) <Before:2 After:0 Max:4>");
}

TEST(MemoryDeathTest, FreeWithALargerSizeIsCorruptWithoutReadingPastTheBlock) {
    EXPECT_EXIT(
        {
            char* block = MEM_ALLOC(char, 4);
            MEM_FREE(&block, 4000);
        },
        testing::ExitedWithCode(1), "Memory corrupt \\(4000\\) <Before:0 After:4 Max:4>");
}

TEST(MemoryDeathTest, SecondFreeOfTheSameVariableHasNoAddress) {
    EXPECT_EXIT(
        {
            char* block = MEM_ALLOC(char, 8);
            MEM_FREE(&block, 8);
            MEM_FREE(&block, 8);
        },
        testing::ExitedWithCode(1), "ABORT: No Memory address to free \\(8 / 16\\)");
}

TEST(MemoryDeathTest, RejectsSizesBelowOne) {
    EXPECT_EXIT(MEM_ALLOC(char, 0), testing::ExitedWithCode(1),
                "ABORT: Invalid Memory Size \\(0\\)");
    EXPECT_EXIT(
        {
            char* block = MEM_ALLOC(char, 8);
            MEM_FREE(&block, -3);
        },
        testing::ExitedWithCode(1), "Invalid Memory Size \\(-3\\)");
}

TEST(MemoryDeathTest, EnforcesTheLimitExactly) {
    EXPECT_EXIT(
        {
            MemInit(100, 0);
            MEM_ALLOC(char, 92); // gross 100: exactly the limit
            MEM_ALLOC(char, 1);
        },
        testing::ExitedWithCode(1), "ABORT: Memory exceeds limit \\(\\(100 \\+ 12\\) / 100\\)");
    EXPECT_EXIT(MEM_ALLOC(char, 0x7FFFFFFF), testing::ExitedWithCode(1),
                "Memory exceeds limit");
    EXPECT_EXIT(
        {
            MemInit(0, 0); // not started: nothing can be had
            MEM_ALLOC(char, 1);
        },
        testing::ExitedWithCode(1), "Memory exceeds limit \\(\\(0 \\+ 12\\) / 0\\)");
}

// The start and end reports, in a child with a fresh manager and its own log.
class MemoryLogTest : public testing::Test {
  protected:
    std::string RunAndReadLog(int32_t flags, void (*work)()) {
        std::string log = scratch_.Path("debug.log");
        EXPECT_EXIT(
            {
                DebugInit(log.c_str(), flags);
                MemInit(MEM_LIMIT_MAXIMUM, 0);
                work();
                MemRemove();
                PlatExit(0);
            },
            testing::ExitedWithCode(0), "");
        return ScratchFolder::Read(log);
    }
    ScratchFolder scratch_;
};

TEST_F(MemoryLogTest, VerboseRunReportsSectionsPeakAndLeaks) {
    std::string log = RunAndReadLog(DEBUG_LOGFILE | DEBUG_VERBOSE, [] {
        char* kept = MEM_ALLOC(char, 1);
        (void)kept;
        char* freed = MEM_ALLOC(char, 2000);
        MEM_FREE(&freed, 2000);
    });
    std::string closing = std::string(79, '=') + "\r\n";
    std::string expected = "ZunkCore v0.35\r\n"
                           "\r\n====[Memory Init]" + std::string(62, '=') + "\r\n"
                           "Quickmemory Initialized (Disabled)\r\n"
                           "Memory Initialized (Maximum)\r\n" + closing +
                           "\r\n====[Memory Remove]" + std::string(60, '=') + "\r\n"
                           "Maximum Memory in use (2 / 1k)\r\n"
                           "Not all memory was free'd (1 / 12b)\r\n" + closing;
    EXPECT_EQ(expected, log);
}

TEST_F(MemoryLogTest, LeakReportNeedsOnlySomeDiagnostics) {
    std::string log = RunAndReadLog(DEBUG_LOGFILE, [] {
        for (int i = 0; i < 3; i++) (void)MEM_ALLOC(char, 1000);
    });
    EXPECT_EQ("Not all memory was free'd (3 / 2k)\r\n", log);
}

TEST_F(MemoryLogTest, SilentWithoutDiagnostics) {
    RunAndReadLog(0, [] { (void)MEM_ALLOC(char, 1); });
    EXPECT_FALSE(ScratchFolder::Exists(scratch_.Path("debug.log")));
}

#endif
