// The version information: values, version numbers, and finding the
// installed product's block among those of other products.
#include "log-capture.h"
#include "update/update.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// One record: the marker, its code and its value.
std::string Record(char code, const std::string& value = "") {
    return std::string(1, VERSION_INFO_MARKER) + code + value + "\r\n";
}

std::string Block(const std::string& identity, const std::string& version, const std::string& page,
                  const std::string& download) {
    return Record('1', identity) + Record('2', version) + Record('3', page) +
           Record('4', download) + Record('0');
}

struct Scan {
    VersionOffer offer;
    int result;
    Scan(const std::string& identity, const std::string& reply) {
        std::memset(&offer, 0x5A, sizeof offer);
        result = ScanVersionInfo(identity.c_str(), reply.c_str(), &offer);
    }
};

TEST(UpdateVersionNumber, LeadingDigitsAndPointsAsADecimalNumber) {
    struct Case {
        const char* text;
        double number;
        const char* cut;
    } cases[] = {
        {"1.54", 1.54, "1.54"},  {"2.0 beta", 2.0, "2.0"}, {"1.10", 1.1, "1.10"},
        {"1.2.3", 1.2, "1.2.3"}, {" 1.60", 0.0, ""},       {"", 0.0, ""},
        {"beta", 0.0, ""},       {"3", 3.0, "3"},          {"...", 0.0, "..."},
    };
    for (const Case& c : cases) {
        char text[UPDATE_VERSION_TEXT_SIZE];
        std::strcpy(text, c.text);
        double number = -1;
        EXPECT_EQ(ParseVersionNumber(&number, text), 1);
        EXPECT_DOUBLE_EQ(number, c.number) << c.text;
        EXPECT_STREQ(text, c.cut) << c.text;
    }
    // Servers rely on this: the number after the point is a fraction.
    double ten, nine;
    char a[] = "1.10", b[] = "1.9";
    ParseVersionNumber(&ten, a);
    ParseVersionNumber(&nine, b);
    EXPECT_LT(ten, nine);
}

TEST(UpdateInfoLine, StopsAtControlAndHighBytesAndKeepsTheCursorThere) {
    const char* text = "Tolvane Demo\r\n";
    const char* cursor = text;
    char value[20];
    EXPECT_EQ(ReadInfoLine(&cursor, value, sizeof value), 1);
    EXPECT_STREQ(value, "Tolvane Demo");
    EXPECT_EQ(cursor, text + 12);

    const char* high = "caf\xE9!";
    cursor = high;
    EXPECT_EQ(ReadInfoLine(&cursor, value, sizeof value), 1);
    EXPECT_STREQ(value, "caf");
    EXPECT_EQ(*cursor, '\xE9');

    const char* next = "1.6\x16"
                       "3";
    cursor = next;
    EXPECT_EQ(ReadInfoLine(&cursor, value, sizeof value), 1);
    EXPECT_EQ(*cursor, VERSION_INFO_MARKER) << "the next record is not swallowed";
}

TEST(UpdateInfoLine, CapacityLessOneCharactersFitAndOneMoreFails) {
    char value[8];
    std::memset(value, 0x5A, sizeof value);
    const char* fits = "1234567\n";
    const char* cursor = fits;
    EXPECT_EQ(ReadInfoLine(&cursor, value, 8), 1);
    EXPECT_STREQ(value, "1234567");

    const char* tooLong = "12345678\n";
    cursor = tooLong;
    char guarded[12];
    std::memset(guarded, 0x5A, sizeof guarded);
    EXPECT_EQ(ReadInfoLine(&cursor, guarded, 8), 0);
    EXPECT_EQ(cursor, tooLong) << "the cursor stays on a failure";
    for (int i = 8; i < 12; ++i)
        EXPECT_EQ(guarded[i], 0x5A) << "byte " << i;
}

TEST(UpdateVersionInfo, OnlyTheInstalledProductsBlockCountsInAnyLetterCase) {
    std::string reply = "HTTP/1.0 200 OK\r\n\r\n" +
                        Block("Tolvane Other", "9.0", "http://o/", "http://o/other.exe") +
                        Block("TOLVANE demo", "1.60 beta", "http://d/", "http://d/demo.exe") +
                        Block("Tolvane Later", "7.0", "http://l/", "http://l/later.exe");
    Scan scan("Tolvane Demo", reply);
    ASSERT_EQ(scan.result, 1);
    EXPECT_STREQ(scan.offer.identity, "TOLVANE demo");
    EXPECT_STREQ(scan.offer.newVersionText, "1.60") << "cut after its number";
    EXPECT_DOUBLE_EQ(scan.offer.newVersion, 1.6);
    EXPECT_STREQ(scan.offer.webPage, "http://d/");
    EXPECT_STREQ(scan.offer.downloadUrl, "http://d/demo.exe");

    EXPECT_EQ(Scan("Tolvane Missing", reply).result, 0);
    EXPECT_EQ(Scan("Tolvane Demo", "").result, 0);
}

TEST(UpdateVersionInfo, ABlockInheritsNumberAndDownloadButNotTextOrPage) {
    std::string reply = Block("Tolvane Other", "2.5", "http://o/", "http://o/other.exe") +
                        Record('1', "Tolvane Demo") + Record('0');
    Scan scan("Tolvane Demo", reply);
    ASSERT_EQ(scan.result, 1);
    EXPECT_DOUBLE_EQ(scan.offer.newVersion, 2.5);
    EXPECT_STREQ(scan.offer.downloadUrl, "http://o/other.exe");
    EXPECT_STREQ(scan.offer.newVersionText, "");
    EXPECT_STREQ(scan.offer.webPage, "");

    Scan first("Tolvane Demo", Record('1', "Tolvane Demo") + Record('0'));
    ASSERT_EQ(first.result, 1);
    EXPECT_DOUBLE_EQ(first.offer.newVersion, 0.0) << "no number ever offers nothing";
}

TEST(UpdateVersionInfo, TheSignatureAndTheVersionAsReceivedBelongToTheirBlock) {
    std::string signature(128, 'c');
    std::string reply = Record('1', "Tolvane Other") + Record('5', "other") + Record('0') +
                        Record('1', "Tolvane Demo") + Record('2', "2.0 beta") +
                        Record('5', signature) + Record('0');
    Scan scan("Tolvane Demo", reply);
    ASSERT_EQ(scan.result, 1);
    EXPECT_EQ(scan.offer.signature, signature);
    EXPECT_STREQ(scan.offer.versionRecord, "2.0 beta");
    EXPECT_STREQ(scan.offer.newVersionText, "2.0");

    // A block without its own signature does not inherit another's.
    Scan unsigned_("Tolvane Demo", Record('1', "Tolvane Other") + Record('5', signature) +
                                       Record('0') + Record('1', "Tolvane Demo") + Record('0'));
    ASSERT_EQ(unsigned_.result, 1);
    EXPECT_STREQ(unsigned_.offer.signature, "");

    Scan tooLong("Tolvane Demo", Record('1', "Tolvane Demo") +
                                     Record('5', std::string(UPDATE_TEXT_SIZE, 'c')) + Record('0'));
    EXPECT_EQ(tooLong.result, 0);
}

TEST(UpdateVersionInfo, OverlongValuesFailTheWholeScan) {
    std::string version79 = "1." + std::string(77, '9');
    Scan fits("Tolvane Demo", Block("Tolvane Demo", version79, "p", "d"));
    EXPECT_EQ(fits.result, 1);
    EXPECT_EQ(std::strlen(fits.offer.newVersionText), 79u);

    EXPECT_EQ(Scan("Tolvane Demo", Block("Tolvane Demo", version79 + "9", "p", "d")).result, 0);
    std::string page = std::string(UPDATE_TEXT_SIZE, 'p');
    EXPECT_EQ(Scan("Tolvane Demo", Block("Tolvane Demo", "2", page, "d")).result, 0);
    // Even in another product's block.
    EXPECT_EQ(Scan("Tolvane Demo",
                   Block("Tolvane Other", "2", page, "d") + Block("Tolvane Demo", "2", "p", "d"))
                  .result,
              0);
}

TEST(UpdateVersionInfo, UnknownCodesAreLoggedAndSkipped) {
    LogCapture log;
    std::string reply = Record('1', "Tolvane Demo") + Record('9', "future field") +
                        Record('2', "1.70") + Record('0');
    Scan scan("Tolvane Demo", reply);
    EXPECT_EQ(scan.result, 1);
    EXPECT_DOUBLE_EQ(scan.offer.newVersion, 1.7);
    EXPECT_TRUE(log.Has("Unknown 'future field'\n"));
}

TEST(UpdateVersionInfo, AMarkerAtTheVeryEndReadsNothingBeyond) {
    std::string reply = Record('1', "Tolvane Demo") + std::string(1, VERSION_INFO_MARKER);
    EXPECT_EQ(Scan("Tolvane Demo", reply).result, 0);
}

} // namespace
