// Registry files as the Windows registry editor exports them (version 5:
// UTF-16LE with a byte-order mark, or UTF-8): read with their texts in
// UTF-8, and written back as REGEDIT4 on the next change, saying so once.
#ifndef _WIN32

#include "platform/posix/registry-store.h"
#include "registry-fixture.h"

#include <fstream>
#include <sstream>

namespace {

// "Grüße" and a character beyond the 16-bit plane, in UTF-8.
const std::string Greeting = "Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x8E\x89";

const std::string Version5 =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\Tolvane\\Demo]\r\n"
    "\"Install Path\"=\"C:\\\\Program Files\\\\Tolvane D\xC3\xA9mo\\\\\"\r\n"
    "\"Greeting\"=\"" + Greeting + "\"\r\n"
    "\"Count\"=dword:0000002a\r\n"
    // "%TEMP%\é" and "a", "b" in UTF-16LE.
    "\"Expand\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,5c,00,e9,00,00,00\r\n"
    "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,\\\r\n"
    "  00,00\r\n"
    "\"Blob\"=hex:01,00,ff\r\n";

std::string Utf16LeWithMark(const std::string& utf8) {
    std::string out = "\xFF\xFE";
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = (unsigned char)utf8[i];
        uint32_t code = c;
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        if (extra) code = c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) code = code << 6 | ((unsigned char)utf8[i + k] & 0x3F);
        i += 1 + extra;
        auto unit = [&out](uint32_t u) {
            out.push_back((char)(u & 0xFF));
            out.push_back((char)(u >> 8));
        };
        if (code >= 0x10000) {
            unit(0xD800 + ((code - 0x10000) >> 10));
            unit(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            unit(code);
        }
    }
    return out;
}

std::vector<std::string> Notices;
void CollectNotice(const char* line) { Notices.push_back(line); }

struct Encoding {
    const char* name;
    std::string file;
    const char* format;
};

std::vector<Encoding> Encodings() {
    return {{"UTF-16LE", Utf16LeWithMark(Version5),
             "Windows Registry Editor Version 5.00 in UTF-16LE"},
            {"UTF-8 marked", "\xEF\xBB\xBF" + Version5,
             "Windows Registry Editor Version 5.00 in UTF-8 with a byte-order mark"},
            {"UTF-8", Version5, "Windows Registry Editor Version 5.00 in UTF-8"}};
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

TEST(RegistryImportText, EveryEncodingGivesTheSameValuesInUtf8) {
    for (const Encoding& encoding : Encodings()) {
        SCOPED_TRACE(encoding.name);
        RegStore store;
        RegParseError error;
        std::string format;
        ASSERT_TRUE(RegParseText(encoding.file, &store, &error, &format)) << error.reason;
        EXPECT_EQ(format, encoding.format);
        RegKey* key = RegFindKey(store, "HKEY_CURRENT_USER\\Software\\Tolvane\\Demo");
        ASSERT_NE(key, nullptr);
        struct Expected {
            const char* name;
            uint32_t type;
            std::string data;
        } expected[] = {
            {"Install Path", REG_SZ, "C:\\Program Files\\Tolvane D\xC3\xA9mo\\"},
            {"Greeting", REG_SZ, Greeting},
            {"Count", REG_DWORD, std::string("\x2a\0\0\0", 4)},
            {"Expand", 2, std::string("%TEMP%\\\xC3\xA9\0", 10)},
            {"Multi", 7, std::string("a\0b\0\0", 5)},
            {"Blob", 3, std::string("\x01\x00\xff", 3)},
        };
        for (const Expected& value : expected) {
            RegValue* found = RegFindValue(*key, value.name);
            ASSERT_NE(found, nullptr) << value.name;
            EXPECT_EQ(found->type, value.type) << value.name;
            EXPECT_EQ(found->data, value.data) << value.name;
        }
    }
}

TEST(RegistryImportText, BrokenUtf16AndOwnFormatAreToldApart) {
    struct Case {
        std::string file;
        bool readable;
        const char* format;
    } cases[] = {
        {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"x\"=\"\xC3\xA9\"\n", true, ""},
        {"\xEF\xBB\xBFREGEDIT4\n", true, "REGEDIT4 in UTF-8 with a byte-order mark"},
        {Utf16LeWithMark("REGEDIT4\n") + "x", false, ""},                  // odd length
        {std::string("\xFF\xFE\x00\xDC", 4), false, ""},                    // lone low surrogate
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"e\"=hex(2):41\n",
         false, ""},                                                         // odd text data
    };
    for (const Case& c : cases) {
        RegStore store;
        RegParseError error;
        std::string format = "unset";
        EXPECT_EQ(RegParseText(c.file, &store, &error, &format), c.readable) << c.file;
        if (c.readable) {
            EXPECT_EQ(format, c.format);
        }
    }
}

class RegistryImport : public RegistryFixture {};

TEST_F(RegistryImport, AnExportedFileIsReadAndRewrittenAsRegedit4OnTheNextChange) {
    for (const Encoding& encoding : Encodings()) {
        SCOPED_TRACE(encoding.name);
        std::string path = prefix_ + "/registry.reg";
        std::ofstream(path, std::ios::binary) << encoding.file;
        Notices.clear();
        PlatSetLogWriter(CollectNotice);

        HKEY key = nullptr;
        ASSERT_EQ(PlatRegOpenKey(HKEY_CURRENT_USER, "Software\\Tolvane\\Demo", &key), ERROR_SUCCESS);
        char text[64];
        uint32_t type = 0, size = sizeof text;
        ASSERT_EQ(PlatRegQueryValue(key, "Greeting", &type, text, &size), ERROR_SUCCESS);
        EXPECT_EQ(std::string(text, size), Greeting);
        EXPECT_EQ(ReadFile(path), encoding.file) << "reading changes nothing";
        EXPECT_TRUE(Notices.empty());

        ASSERT_EQ(PlatRegSetValue(key, "Count", REG_DWORD, "\x07\0\0\0", 4), ERROR_SUCCESS);
        PlatRegCloseKey(key);
        std::string rewritten = ReadFile(path);
        EXPECT_EQ(rewritten.rfind("REGEDIT4\n", 0), 0u);
        EXPECT_NE(rewritten.find("\"Greeting\"=\"" + Greeting + "\""), std::string::npos);
        EXPECT_NE(rewritten.find("\"Expand\"=hex(2):25,54,45,4d,50,25,5c,c3,a9,00"),
                  std::string::npos);
        EXPECT_NE(rewritten.find("\"Count\"=dword:00000007"), std::string::npos);
        ASSERT_EQ(Notices.size(), 1u);
        EXPECT_EQ(Notices[0], "Registry file " + path + " was in the format \"" + encoding.format +
                                  "\"; it is now written as REGEDIT4");

        ASSERT_EQ(PlatRegOpenKey(HKEY_CURRENT_USER, "Software\\Tolvane\\Demo", &key), ERROR_SUCCESS);
        ASSERT_EQ(PlatRegSetValue(key, "Count", REG_DWORD, "\x08\0\0\0", 4), ERROR_SUCCESS);
        PlatRegCloseKey(key);
        EXPECT_EQ(Notices.size(), 1u) << "said once, when the format changed";
        PlatSetLogWriter(nullptr);
    }
}

#endif
