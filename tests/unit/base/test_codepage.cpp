// Code pages both ways, with the same results on both systems: the
// single-byte pages from the program's tables, the double-byte ones from
// the system's converter (iconv natively, Windows' own under Wine).
#include "base/codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string ToUtf8(uint32_t codePage, const std::string& stored) {
    char out[256];
    int32_t length = CodePageToUtf8(codePage, stored.data(), int32_t(stored.size()), out, sizeof out);
    return length < 0 ? "<failed>" : std::string(out, size_t(length));
}

std::string ToCodePage(uint32_t codePage, const std::string& utf8, int32_t* refused) {
    char out[256];
    int32_t length = Utf8ToCodePage(codePage, utf8.data(), int32_t(utf8.size()), out, sizeof out, refused);
    return length < 0 ? "<failed>" : std::string(out, size_t(length));
}

struct Stored {
    uint32_t codePage;
    const char* utf8;
    const char* stored;
};

const Stored ROUND_TRIPS[] = {
    {1252, "caf\xC3\xA9.dll", "caf\xE9.dll"},
    {1252, "\xE2\x82\xAC 5", "\x80 5"},                            // the euro sign
    {1252, "\xC2\x81", "\x81"},                                     // undefined: its control character
    {1251, "\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB4\xD1\x83\xD0\xBA\xD1\x82", "\xCF\xF0\xEE\xE4\xF3\xEA\xF2"},  // Продукт
    {1250, "\xC5\x81\xC3\xB3\x64\xC5\xBA", "\xA3\xF3\x64\x9F"},     // Łódź
    {932, "\xE8\xA3\xBD\xE5\x93\x81\\a.txt", "\x90\xBB\x95\x69\\a.txt"},  // 製品 (0x5C after a lead byte)
    {936, "\xE4\xBA\xA7\xE5\x93\x81", "\xB2\xFA\xC6\xB7"},           // 产品
    {949, "\xEC\xA0\x9C\xED\x92\x88", "\xC1\xA6\xC7\xB0"},           // 제품
    {950, "\xE7\x94\xA2\xE5\x93\x81", "\xB2\xA3\xAB\x7E"},           // 產品
};

TEST(CodePage, ConvertsBothWaysWithoutLoss) {
    for (const Stored& each : ROUND_TRIPS) {
        SCOPED_TRACE(each.codePage);
        EXPECT_EQ(ToUtf8(each.codePage, each.stored), each.utf8);
        int32_t refused = -1;
        EXPECT_EQ(ToCodePage(each.codePage, each.utf8, &refused), each.stored);
        EXPECT_EQ(refused, 0);
    }
}

TEST(CodePage, WhatTheCodePageCannotHoldBecomesAQuestionMarkAndIsCounted) {
    const struct {
        uint32_t codePage;
        const char* utf8;
        const char* stored;
        int32_t refused;
    } cases[] = {
        {1252, "\xD0\x9F\xD1\x80", "??", 2},                         // Cyrillic in 1252
        {1252, "Prod\xF0\x9F\x9A\x80", "Prod?", 1},                  // an emoji: one character
        {1251, "caf\xC3\xA9", "caf?", 1},
        {932, "\xF0\x9F\x9A\x80!", "?!", 1},
        {1252, "a\xFF" "b", "a?b", 1},                                // no UTF-8 at all
        {1252, "a?b", "a?b", 0},                                      // a real question mark
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.utf8);
        int32_t refused = -1;
        EXPECT_EQ(ToCodePage(each.codePage, each.utf8, &refused), each.stored);
        EXPECT_EQ(refused, each.refused);
    }
}

TEST(CodePage, RefusesUnknownCodePagesAndOutputsThatDoNotFit) {
    for (uint32_t known : {1250u, 1251u, 1252u, 932u, 936u, 949u, 950u}) EXPECT_EQ(CodePageKnown(known), 1);
    for (uint32_t unknown : {0u, 437u, 65001u, 1253u}) EXPECT_EQ(CodePageKnown(unknown), 0);
    EXPECT_EQ(ToUtf8(437, "abc"), "<failed>");
    char small[4];
    int32_t refused = 0;
    EXPECT_EQ(CodePageToUtf8(1252, "\xE9\xE9\xE9", 3, small, sizeof small), -1);
    EXPECT_EQ(CodePageToUtf8(932, "\x90\xBB\x95\x69", 4, small, sizeof small), -1);
    EXPECT_EQ(Utf8ToCodePage(1251, "abcde", 5, small, sizeof small, &refused), -1);
}

}  // namespace
