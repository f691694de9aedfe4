#include "base/core.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(ComputeCrc32, GivesTheStandardChecksum) {
    EXPECT_EQ(0xCBF43926u, ComputeCrc32("123456789", 9));
    EXPECT_EQ(0x414FA339u, ComputeCrc32("The quick brown fox jumps over the lazy dog", 43));
    unsigned char all[256];
    for (int i = 0; i < 256; i++) all[i] = static_cast<unsigned char>(i);
    EXPECT_EQ(0x29058C73u, ComputeCrc32(all, 256));
}

TEST(ComputeCrc32, EmptyOrNegativeLengthGivesZero) {
    EXPECT_EQ(0u, ComputeCrc32("abc", 0));
    EXPECT_EQ(0u, ComputeCrc32("abc", -1));
}

namespace {
const char* const QuotedProgramLine = "\"C:\\Program Files\\Acme\\Uninstall.exe\" -Spawn -debug";
} // namespace

TEST(GetCommandArgument, KeepsAQuotedProgramPathTogether) {
    int count = -1;
    EXPECT_EQ(QuotedProgramLine, GetCommandArgument(QuotedProgramLine, 0, &count));
    EXPECT_EQ(0, count);
    EXPECT_STREQ("-Spawn -debug", GetCommandArgument(QuotedProgramLine, 1, &count));
    EXPECT_EQ(1, count);
    EXPECT_STREQ("-debug", GetCommandArgument(QuotedProgramLine, 2, &count));
    EXPECT_EQ(2, count);
    EXPECT_EQ(nullptr, GetCommandArgument(QuotedProgramLine, 3, &count));
    EXPECT_EQ(2, count);
    EXPECT_STREQ("-debug", GetCommandArgument(QuotedProgramLine, 2, nullptr));
}

TEST(GetCommandArgument, TreatsBlanksAndControlCharactersAsSeparators) {
    const char* line = " \t prog.exe\t\t\"a b\"\r\n  c  ";
    int count = -1;
    EXPECT_STREQ("prog.exe\t\t\"a b\"\r\n  c  ", GetCommandArgument(line, 0, &count));
    EXPECT_STREQ("\"a b\"\r\n  c  ", GetCommandArgument(line, 1, &count));
    EXPECT_STREQ("c  ", GetCommandArgument(line, 2, &count));
    // Trailing blanks start no further argument.
    EXPECT_EQ(nullptr, GetCommandArgument(line, 3, &count));
    EXPECT_EQ(2, count);
}

TEST(GetCommandArgument, QuotesCanOpenInsideAnArgument) {
    const char* line = "prog -x\"one two\"three four";
    EXPECT_STREQ("four", GetCommandArgument(line, 2, nullptr));
}

TEST(GetCommandArgument, KeepsNonAsciiCharactersInsideArguments) {
    const char* line = "C:\\Programme\\Gr\xFC\xDF\x65\\Uninstall.exe -Update";
    int count = -1;
    EXPECT_STREQ("-Update", GetCommandArgument(line, 1, &count));
    EXPECT_EQ(1, count);
}

TEST(GetCommandArgument, HandlesEmptyLines) {
    const char* empty = "";
    int count = -1;
    EXPECT_EQ(empty, GetCommandArgument(empty, 0, &count));
    EXPECT_EQ(0, count);
    EXPECT_EQ(nullptr, GetCommandArgument(empty, 1, &count));
    EXPECT_EQ(nullptr, GetCommandArgument("prog.exe", 1, nullptr));
    const char* blanks = "   ";
    EXPECT_EQ(blanks + 3, GetCommandArgument(blanks, 0, nullptr));
}

#ifndef _WIN32
TEST(CrcCmdargDeathTest, NullTextIsFatal) {
    EXPECT_EXIT(GetCommandArgument(nullptr, 0, nullptr), testing::ExitedWithCode(1),
                "ASSERT:Pointer is NULL\\.\\.\\.\n       \\(src/base/cmdarg\\.cpp/[0-9]+\\)");
    EXPECT_EXIT(ComputeCrc32(nullptr, 0), testing::ExitedWithCode(1), "Pointer is NULL");
}
#endif
