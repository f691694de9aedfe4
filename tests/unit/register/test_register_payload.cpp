// The registration payload: how a field is written, trimmed or left out,
// the fields of a whole registration, the scrambler and the framed body.
#include "register/details.h"
#include "register/payload.h"

#include "base/core.h"
#include "base/identity.h"
#include "net/socket.h"
#include "log-capture.h"
#include "registry-fixture.h"
#include "script/script.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

// The payload's fields, split at each mark followed by three digits.
Fields SplitFields(const std::string& payload) {
    Fields fields;
    size_t start = payload.find('\x02');
    EXPECT_EQ(start, 0u) << "a payload begins with a field";
    while (start != std::string::npos) {
        size_t end = payload.find('\x02', start + 1);
        std::string field =
            payload.substr(start + 1, end == std::string::npos ? end : end - start - 1);
        fields.emplace_back(field.substr(0, 3), field.substr(3));
        start = end;
    }
    return fields;
}

std::string Written(const PayloadWriter& writer) {
    return std::string(writer.start, static_cast<size_t>(writer.position - writer.start));
}

TEST(PayloadFieldTest, ValuesLoseTrailingBlanksAndControlsButKeepCharacters) {
    char buffer[256];
    PayloadWriter writer;
    PayloadWriterInit(&writer, buffer, sizeof buffer);
    EXPECT_EQ(PayloadAddField(&writer, 7, "%s", "Ann  \t\r\n"), 1);
    EXPECT_EQ(PayloadAddField(&writer, 201, "%s %d", "Smith\xE9 x", 42), 1);
    EXPECT_EQ(PayloadAddField(&writer, 202, "%s", "Caf\xE9\xFF"), 1);
    EXPECT_EQ(Written(writer), "\x02"
                               "007Ann\x02"
                               "201Smith\xE9 x 42\x02"
                               "202Caf\xE9\xFF");
}

TEST(PayloadFieldTest, EmptyValuesAreLeftOutButBlankOnesAreNot) {
    char buffer[64];
    PayloadWriter writer;
    PayloadWriterInit(&writer, buffer, sizeof buffer);
    EXPECT_EQ(PayloadAddField(&writer, 103, "%s", ""), 1);
    EXPECT_EQ(writer.position, buffer);
    EXPECT_EQ(PayloadAddField(&writer, 209, "%s", "   "), 1);
    EXPECT_EQ(PayloadAddField(&writer, 210, "%s", "\xA0"), 1);
    EXPECT_EQ(Written(writer), "\x02"
                               "209\x02"
                               "210\xA0");
}

TEST(PayloadFieldTest, AFieldThatDoesNotFitIsNotWrittenAtAll) {
    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    PayloadWriter writer;
    PayloadWriterInit(&writer, buffer, 12);
    EXPECT_EQ(PayloadAddField(&writer, 1, "%s", "1234567"), 1); // 11 bytes and the NUL
    EXPECT_EQ(PayloadAddField(&writer, 2, "%s", "x"), 0);
    EXPECT_EQ(Written(writer), "\x02"
                               "0011234567");
    EXPECT_EQ(buffer[12], '#');
}

TEST(PayloadFieldTest, OperatingSystemLineByPlatform) {
    PlatVersionInfo info = {4, 10, 0x040A0898, 1, " A "};
    char line[320];
    FormatOperatingSystem(&info, line, sizeof line);
    EXPECT_STREQ(line, "Microsoft Windows 98 4.10.2200  A ");
    info.minor = 0;
    FormatOperatingSystem(&info, line, sizeof line);
    EXPECT_STREQ(line, "Microsoft Windows 95 4.0.2200  A ");
    info = {3, 11, 0x00010123, 0, ""};
    FormatOperatingSystem(&info, line, sizeof line);
    EXPECT_STREQ(line, "Microsoft Windows 3.1 3.11.291 ");
    info = {5, 1, 0x00010A28, 2, "Service Pack 3"};
    FormatOperatingSystem(&info, line, sizeof line);
    EXPECT_STREQ(line, "Microsoft Windows NT 5.1.68136 Service Pack 3");
    info = {6, 1, 76, PLAT_PLATFORM_POSIX, "Debian GNU/Linux 12 (bookworm)"};
    FormatOperatingSystem(&info, line, sizeof line);
    EXPECT_STREQ(line, "[256] 6.1.76 Debian GNU/Linux 12 (bookworm)");
    FormatOperatingSystem(nullptr, line, sizeof line);
    EXPECT_STREQ(line, "Unknown");
}

TEST(ScrambleTest, FirstBytesAreXoredWithAGrowingSeries) {
    const int expected[34] = {0,  1,  3,  4,  6,  7,  9,  10, 12, 13, 15, 16, 18, 19, 21, 22, 24,
                              25, 27, 28, 30, 31, 33, 34, 36, 37, 39, 40, 42, 43, 45, 47, 48, 50};
    char bytes[700] = {};
    ScramblePayload(bytes, sizeof bytes);
    for (int i = 0; i < 34; i++)
        EXPECT_EQ(static_cast<uint8_t>(bytes[i]), expected[i]) << i;
    // Only the low 8 bits: 47 * 660 / 31 is 1000.
    EXPECT_EQ(static_cast<uint8_t>(bytes[660]), 1000 & 0xFF);
    ScramblePayload(bytes, sizeof bytes);
    EXPECT_EQ(std::string(bytes, sizeof bytes), std::string(sizeof bytes, '\0'));
}

// The body's header: its own length, the program version with its length,
// the payload's and the encoded text's lengths, the CRC-32.
const int BodyHeaderLength = 8 + 2 + static_cast<int>(std::strlen(PROGRAM_VERSION)) + 3 * 8;

TEST(BodyTest, AHundredBytePayloadGivesTheHeaderAnd144EncodedBytes) {
    char payload[100];
    for (int i = 0; i < 100; i++)
        payload[i] = static_cast<char>(i * 7);
    char body[200];
    int32_t length = 0;
    ASSERT_EQ(BuildRegistrationBody(payload, 100, body, &length), 1);
    ASSERT_EQ(length, BodyHeaderLength + 144);
    std::string text(body, length);
    char lengths[64];
    std::snprintf(lengths, sizeof lengths, "%.8X%.2X%s%.8X%.8X", BodyHeaderLength + 144,
                  static_cast<unsigned>(std::strlen(PROGRAM_VERSION)), PROGRAM_VERSION, 100, 0x90);
    EXPECT_EQ(text.substr(0, BodyHeaderLength - 8), lengths);
    char crc[9];
    std::snprintf(crc, sizeof crc, "%.8X", ComputeCrc32(body + BodyHeaderLength, 144));
    EXPECT_EQ(text.substr(BodyHeaderLength - 8, 8), crc);
    text = text.substr(BodyHeaderLength);
    // The encoded text: its own length digits, then 4 characters per 3 bytes.
    EXPECT_EQ(text.substr(0, 8), "00000064");
    // Bytes 0, 7, 14 are the bits 000000 000000 011100 001110.
    EXPECT_EQ(text.substr(8, 4), "!!=/");
    for (char c : text.substr(8)) {
        EXPECT_GE(c, '!');
        EXPECT_LE(c, '`');
    }
}

#ifndef _WIN32
TEST(BodyDeathTest, AnEncoderWithoutRoomIsFatal) {
    char payload[10] = {};
    char body[20];
    int32_t length = 0;
    // Twice the payload less the header is all the room the encoder gets.
    const std::string room = std::to_string(20 - BodyHeaderLength);
    EXPECT_EXIT(BuildRegistrationBody(payload, 10, body, &length), testing::ExitedWithCode(1),
                "ABORT: Encoder failed \\(10 / " + room + "\\)!\n");
}
#endif

// A whole registration on this machine: what comes from the record and the
// script exactly, the machine's facts by their shape.
class RegistrationPayloadTest : public RegistryFixture {
  protected:
    void SetUp() override {
        RegistryFixture::SetUp();
        ASSERT_EQ(SocketStartup(), 1);
        std::memset(&settings_, 0, sizeof settings_);
        DetailsClear(&details_);
    }
    void TearDown() override {
        SocketCleanup();
        RegistryFixture::TearDown();
    }

    Fields Build(const char* text) {
        static char buffer[PAYLOAD_SIZE];
        int32_t length = -1;
        EXPECT_EQ(
            BuildRegistrationPayload(&settings_, &details_, text, buffer, sizeof buffer, &length),
            1);
        return SplitFields(std::string(buffer, static_cast<size_t>(length)));
    }
    static std::string Value(const Fields& fields, const std::string& number) {
        for (const auto& field : fields)
            if (field.first == number)
                return field.second;
        return "(left out)";
    }

    InstallScript settings_;
    RegistrationRecord details_;
};

TEST_F(RegistrationPayloadTest, FieldsComeInOrderWithTheirValues) {
    settings_.runMode = MODE_REGISTER_INSTALLER;
    std::strcpy(settings_.textField, "REG");
    std::strcpy(settings_.companyName, "Acme");
    std::strcpy(settings_.productName, "Rocket");
    std::strcpy(settings_.productVersion, "2.1");
    settings_.listServerNumber = 7;
    std::strcpy(settings_.listServerName, "Acme News");
    std::strcpy(settings_.listServerText, "weekly");
    const char* texts[11] = {"Ann",      "Smith",        "1 Main Street ", "Springfield",
                             "IL",       "USA",          "62701",          "ann@example.com",
                             "555-1234", "A friend \xC3\xA9", "30 to 34"};
    char* fields[11] = {details_.firstName, details_.lastName, details_.address, details_.city,
                        details_.state,     details_.country,  details_.zip,     details_.email,
                        details_.phone,     details_.howFound, details_.ageBand};
    for (int i = 0; i < 11; i++)
        std::strcpy(fields[i], texts[i]);
    details_.updatesAnswer = ANSWER_ALREADY;

    Fields payload = Build("Registered from the installer");
    std::vector<std::string> numbers;
    for (const auto& field : payload)
        numbers.push_back(field.first);
    // 301 (host name), 302 to 305 and 308, 309 depend on the machine.
    std::vector<std::string> fixed;
    for (const std::string& number : numbers)
        if (number != "301" && !(number >= "302" && number <= "305") && number != "308" &&
            number != "309")
            fixed.push_back(number);
    EXPECT_EQ(fixed, (std::vector<std::string>{"000", "001", "002", "100", "101", "102", "103",
                                               "200", "201", "202", "203", "204", "205", "206",
                                               "207", "208", "209", "210", "300", "306", "307",
                                               "310", "311", "312", "400", "401", "402", "403"}));

    EXPECT_EQ(Value(payload, "000"), "v" PROGRAM_VERSION " (" PROGRAM_BUILD ")");
    EXPECT_EQ(Value(payload, "001"), "Installer");
    EXPECT_EQ(Value(payload, "002"), "Registered from the installer");
    EXPECT_EQ(Value(payload, "100"), "REG");
    EXPECT_EQ(Value(payload, "103"), "2.1");
    for (int i = 0; i < 11; i++) {
        // Trailing blanks go; the rest goes out in code page 1252.
        std::string expected = i == 9 ? "A friend \xE9" : texts[i];
        while (!expected.empty() && expected.back() == ' ') expected.pop_back();
        EXPECT_EQ(Value(payload, std::to_string(200 + i)), expected) << 200 + i;
    }
    EXPECT_EQ(Value(payload, "400"), "Already");
    EXPECT_EQ(Value(payload, "401"), "7");
    EXPECT_EQ(Value(payload, "402"), "Acme News");
    EXPECT_EQ(Value(payload, "403"), "weekly");

    int a, b, c, d;
    EXPECT_EQ(std::sscanf(Value(payload, "300").c_str(), "%d.%d.%d.%d", &a, &b, &c, &d), 4);
    EXPECT_EQ(Value(payload, "311").back(), 'k');
    EXPECT_NE(Value(payload, "311"), "0k") << "a machine has memory";
}

TEST_F(RegistrationPayloadTest, EmptySettingsAreLeftOutAndUnknownsNamed) {
    settings_.runMode = MODE_NONE;
    details_.updatesAnswer = 9;
    Fields payload = Build("");
    EXPECT_EQ(Value(payload, "001"), "Unknown");
    for (const char* number : {"002", "100", "101", "102", "103", "200", "210", "402", "403"})
        EXPECT_EQ(Value(payload, number), "(left out)") << number;
    EXPECT_EQ(Value(payload, "400"), "Unknown");
    EXPECT_EQ(Value(payload, "401"), "0");
}

#ifndef _WIN32
TEST_F(RegistrationPayloadTest, RegistryFactsAreReadAsTextsOrUnknown) {
    // The first registry call writes the machine's defaults: ~MHz is a
    // number there, as on Windows, and MMXIdentifier is absent.
    HKEY key = nullptr;
    ASSERT_EQ(RegistryCreateKey(&key, REGISTRY_LOCAL_MACHINE, "Hardware\\Description\\System\\CentralProcessor\\0"), 1);
    RegistrySetString(key, "Identifier", "x86 Family 6 Model 15 Stepping 11 ");
    RegistrySetString(key, "VendorIdentifier", std::string(400, 'v').c_str());
    RegistryCloseKey(&key);
    ASSERT_EQ(RegistryCreateKey(&key, REGISTRY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion"), 1);
    RegistrySetString(key, "RegisteredOwner", "Ann Smith");
    RegistrySetString(key, "RegisteredOrganization", "");
    RegistryCloseKey(&key);

    Fields payload = Build("");
    EXPECT_EQ(Value(payload, "302"), "x86 Family 6 Model 15 Stepping 11");
    EXPECT_EQ(Value(payload, "303"), "Unknown");
    EXPECT_EQ(Value(payload, "304"), "Unknown");
    EXPECT_EQ(Value(payload, "305"), "Unknown") << "too long for its 320 bytes";
    EXPECT_EQ(Value(payload, "308"), "Ann Smith");
    EXPECT_EQ(Value(payload, "309"), "(left out)");

    // Without the keys their fields are not written at all.
    PlatRegDeleteKey(HKEY_LOCAL_MACHINE, "Hardware\\Description\\System\\CentralProcessor\\0");
    PlatRegDeleteKey(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
    PlatRegDeleteKey(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion");
    payload = Build("");
    for (const char* number : {"302", "303", "304", "305", "308", "309"})
        EXPECT_EQ(Value(payload, number), "(left out)") << number;
    EXPECT_EQ(Value(payload, "310").substr(0, 6), "[256] ");
}
#endif

// The user's text goes out in the script's code page, as servers have
// always read it; what the code page cannot hold goes as '?', logged.
TEST_F(RegistrationPayloadTest, UserTextGoesOutInTheScriptsCodePage) {
    const struct {
        uint32_t codePage;  // 0: a record without a loaded script (1252)
        const char* first;
        const char* last;
        const char* log;
    } cases[] = {
        {1251, "\xC0\xED\xED\xE0 Ann", "??", "Registration: 2 characters outside code page 1251 sent as '?'\n"},
        {0, "???? Ann", "??", "Registration: 6 characters outside code page 1252 sent as '?'\n"},
        {932, "\x84@\x84~\x84~\x84p Ann", "\x83\x41\x83\x93", nullptr},
    };
    std::strcpy(details_.firstName, "\xD0\x90\xD0\xBD\xD0\xBD\xD0\xB0 Ann");  // Анна Ann
    std::strcpy(details_.lastName, "\xE3\x82\xA2\xE3\x83\xB3");                // アン
    for (const auto& each : cases) {
        SCOPED_TRACE(each.codePage);
        settings_.codePage = each.codePage;
        LogCapture log;
        Fields payload = Build("");
        EXPECT_EQ(Value(payload, "200"), each.first);
        EXPECT_EQ(Value(payload, "201"), each.last);
        EXPECT_EQ(log.Has("outside code page"), each.log != nullptr) << log.Text();
        if (each.log != nullptr) {
            EXPECT_TRUE(log.Has(each.log)) << log.Text();
        }
    }
}

} // namespace
