#include "base/strings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(StrCopyN, CopiesWholeSourceOnlyWhenItFitsWithItsTerminator) {
    char buffer[8];
    memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(1, StrCopyN(buffer, "1234567", 8));
    EXPECT_STREQ("1234567", buffer);

    EXPECT_EQ(0, StrCopyN(buffer, "12345678", 8));
    EXPECT_STREQ("1234567", buffer);

    EXPECT_EQ(1, StrCopyN(buffer, "", 1));
    EXPECT_STREQ("", buffer);
    EXPECT_EQ(0, StrCopyN(buffer, "a", 1));
    EXPECT_STREQ("", buffer);
}

TEST(StrCopyN, WritesNothingWithoutRoomForTheTerminator) {
    char buffer[2] = {'x', 'y'};
    EXPECT_EQ(0, StrCopyN(buffer, "abc", 0));
    EXPECT_EQ(0, StrCopyN(buffer, "abc", -5));
    EXPECT_EQ('x', buffer[0]);
}

TEST(StrAppendN, StopsAtTheEndOfTheBuffer) {
    char buffer[8] = "abc";
    EXPECT_EQ(1, StrAppendN(buffer, "def", sizeof buffer));
    EXPECT_STREQ("abcdef", buffer);
    EXPECT_EQ(0, StrAppendN(buffer, "ghij", sizeof buffer));
    EXPECT_STREQ("abcdefg", buffer);
    EXPECT_EQ(0, StrAppendN(buffer, "z", sizeof buffer));
    EXPECT_EQ(1, StrAppendN(buffer, "", sizeof buffer));
    EXPECT_STREQ("abcdefg", buffer);
}

TEST(StrEqualNoCase, FoldsAsciiLettersOnly) {
    EXPECT_EQ(1, StrEqualNoCase("Install Path", "INSTALL path"));
    EXPECT_EQ(0, StrEqualNoCase("[", "{")); // 32 apart, but not letters
    EXPECT_EQ(0, StrEqualNoCase("@", "`"));
    EXPECT_EQ(0, StrEqualNoCase("\xC4", "\xE4")); // Latin-1 letters are not folded
    EXPECT_EQ(0, StrEqualNoCase("abc", "ab"));
    EXPECT_EQ(0, StrEqualNoCase("ab", "abc"));
}

TEST(StrFind, ReturnsTheFirstOccurrenceInsideTheText) {
    const char* text = "aaab aab";
    const char* at = text;
    EXPECT_EQ(1, StrFind(text, "aab", &at));
    EXPECT_EQ(text + 1, at);

    EXPECT_EQ(0, StrFind(text, "abc", &at));
    EXPECT_EQ(nullptr, at);

    EXPECT_EQ(1, StrFindNoCase("x -DeBuG", "-debug", &at));
    EXPECT_STREQ("-DeBuG", at);
    EXPECT_EQ(0, StrFind("x -DeBuG", "-debug", &at));
}

TEST(StrFind, EmptyNeedleIsFoundOnlyInNonEmptyText) {
    const char* text = "abc";
    const char* at = nullptr;
    EXPECT_EQ(1, StrFind(text, "", &at));
    EXPECT_EQ(text, at);
    at = text;
    EXPECT_EQ(0, StrFind("", "", &at));
    EXPECT_EQ(nullptr, at);
    EXPECT_EQ(0, StrFindNoCase("", "", &at));
}

TEST(StrHash, MatchesKeywordsInAnyCaseUnlessCaseSensitive) {
    uint32_t upper = 0, lower = 0, exact = 0;
    StrHash("INSTALL PATH", 0, &upper);
    StrHash("install path", 0, &lower);
    StrHash("install path", 1, &exact);
    EXPECT_EQ(0x4E4551u, upper);
    EXPECT_EQ(upper, lower);
    EXPECT_EQ(0x4A5571u, exact);

    uint32_t hash = 1;
    StrHash("", 0, &hash);
    EXPECT_EQ(0u, hash);
    // Six characters: the sixth goes back to the first slot.
    StrHash("ABCDEF", 1, &hash);
    EXPECT_EQ(0x2C484107u, hash);
    // High bytes count as negative numbers.
    StrHash("\x80", 0, &hash);
    EXPECT_EQ(0xFFFFFF80u, hash);
}

TEST(EncodePrintable, EncodesLengthHeaderAndGroups) {
    char output[32];
    int size = sizeof output;
    const unsigned char abc[] = {'a', 'b', 'c'};
    ASSERT_EQ(1, EncodePrintable(abc, 3, output, &size));
    EXPECT_STREQ("0000000397*D", output);
    EXPECT_EQ(12, size);

    size = sizeof output;
    ASSERT_EQ(1, EncodePrintable(abc, 0, output, &size));
    EXPECT_STREQ("00000000", output);
    EXPECT_EQ(8, size);

    // The last group is padded with zero bytes.
    const unsigned char four[] = {'a', 'b', 'c', 0xFF};
    size = sizeof output;
    ASSERT_EQ(1, EncodePrintable(four, 4, output, &size));
    EXPECT_EQ(16, size);
    char lastGroup[5] = {};
    const unsigned char padded[] = {0xFF, 0, 0};
    EncodePrintableGroup(padded, lastGroup);
    EXPECT_EQ(std::string("00000004") + "97*D" + lastGroup, output);
    EXPECT_STREQ("`Q!!", lastGroup);
}

TEST(EncodePrintable, RefusesAnOutputWithoutRoomForTheTerminator) {
    const unsigned char abc[] = {'a', 'b', 'c'};
    char output[13];
    memset(output, 'x', sizeof output);
    int size = 12;
    EXPECT_EQ(0, EncodePrintable(abc, 3, output, &size));
    EXPECT_EQ(12, size);
    EXPECT_EQ('x', output[0]);

    size = 13;
    EXPECT_EQ(1, EncodePrintable(abc, 3, output, &size));
    EXPECT_EQ(12, size);

    size = 13;
    EXPECT_EQ(0, EncodePrintable(abc, -1, output, &size));
}

TEST(StrToInt, ReadsTheLeadingNumber) {
    EXPECT_EQ(0, StrToInt(nullptr));
    EXPECT_EQ(0, StrToInt(""));
    EXPECT_EQ(0, StrToInt("abc"));
    EXPECT_EQ(0, StrToInt(" 12")); // a blank ends the run before it starts
    EXPECT_EQ(-5, StrToInt("-5x"));
    EXPECT_EQ(42, StrToInt("+42"));
    EXPECT_EQ(12, StrToInt("12-3"));
    EXPECT_EQ(0, StrToInt("--5"));
    EXPECT_EQ(0, StrToInt("+-5"));
    EXPECT_EQ(1234567, StrToInt("1234567\r\n"));
}

TEST(StrToInt, SaturatesOutsideThe32BitRange) {
    EXPECT_EQ(2147483647, StrToInt("2147483647"));
    EXPECT_EQ(2147483647, StrToInt("99999999999999999999999999999999999"));
    EXPECT_EQ(-2147483647 - 1, StrToInt("-2147483648"));
    EXPECT_EQ(-2147483647 - 1, StrToInt("-99999999999999999999"));
}

TEST(IsValidEmail, AcceptsPlausibleAddresses) {
    EXPECT_EQ(1, IsValidEmail("a@b.cd"));
    EXPECT_EQ(1, IsValidEmail("first.last+tag@mail.example.com"));
    EXPECT_EQ(1, IsValidEmail("x_y-z@host-1.org"));
    EXPECT_EQ(1, IsValidEmail("a@bcd.")); // nothing after the last dot, 4 after '@'
    EXPECT_EQ(1, IsValidEmail("a1@b.cd"));
}

TEST(IsValidEmail, RejectsImplausibleAddresses) {
    const char* rejected[] = {
        "",              // empty
        "a@b.c",         // only 3 characters after '@'
        "a@b.c1",        // digit after the last dot
        "a..b@c.de",     // two dots in a row
        "a@b..de",       // two dots in a row after '@'
        "a@b@c.de",      // second '@'
        "a@b_c.de",      // '_' after '@'
        "a@b+c.de",      // '+' after '@'
        "@b.cde",        // '@' first
        "a@.bcd",        // dot right after '@'
        "a@bcdef",       // no dot after '@'
        "a.b@cdef",      // the only dot is before '@'
        "ab.cd.ef",      // no '@'
        "a b@c.de",      // blank
        "a@b.d\xE9",     // not ASCII
    };
    for (const char* address : rejected) EXPECT_EQ(0, IsValidEmail(address)) << address;
}

#ifndef _WIN32
TEST(StringDeathTest, NullPointerIsAFatalReportAtTheStringFunction) {
    const char* missing = nullptr;
    EXPECT_EXIT(StrLength(missing), testing::ExitedWithCode(1),
                "ASSERT:Pointer is NULL\\.\\.\\.\n       \\(src/base/strings\\.cpp/[0-9]+\\)");
    char buffer[4];
    EXPECT_EXIT(StrCopyN(buffer, missing, 4), testing::ExitedWithCode(1), "Pointer is NULL");
    const char* at;
    EXPECT_EXIT(StrFind("abc", missing, &at), testing::ExitedWithCode(1), "Pointer is NULL");
    EXPECT_EXIT(IsValidEmail(missing), testing::ExitedWithCode(1), "Pointer is NULL");
}

#endif
