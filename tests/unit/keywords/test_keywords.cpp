// The keyword table, and what the keywords make of their fields.
#include "test_script_fixture.h"

#include "base/strings.h"
#include "system/registry.h"
#include "wine-difference.h"

#include <random>
#include <vector>

namespace {

const char* const AllKeywords[] = {
    "COMPANY NAME", "PRODUCT NAME", "PRODUCT VERSION", "TEXT",          "BRAND LIST",
    "FILE LIST",    "TEMP LIST",    "GRADIENT START",  "GRADIENT END",  "FONT",
    "STRING",       "REFRESH",      "CREATE GROUP",    "ADD ITEM",      "EXECUTE",
    "WINDOW",       "OLE",          "AGREEMENT",       "MESSAGE",       "LISTSERVER",
    "REGISTER",     "BREAK",        "UPDATE URL",      "INSTALL",       "DONE",
    "REGISTRY PATH", "INSTALL SIZE", "INSTALL DIR",    "INSTALL PATH",  "INSTALL NAME",
    "UNINSTALL NAME", "UPDATE KEY"};

int Accept(InstallScript*, const char*, int32_t* consumed) {
    *consumed += 5;
    return 1;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

class KeywordTable : public ::testing::Test {
  protected:
    void TearDown() override { KeywordTableFree(); }
};

TEST_F(KeywordTable, EveryScriptKeywordIsKnownInAnyCaseAndWithoutCollisions) {
    LogCapture log;
    RegisterScriptKeywords();
    for (const char* keyword : AllKeywords) {
        EXPECT_EQ(KeywordIsKnown(keyword), 1) << keyword;
        EXPECT_EQ(KeywordIsKnown(Lower(keyword).c_str()), 1) << keyword;
    }
    EXPECT_EQ(KeywordIsKnown("INSTALLS"), 0);
    EXPECT_EQ(KeywordIsKnown("OL"), 0);
    EXPECT_EQ(KeywordIsKnown(""), 0);
    EXPECT_FALSE(log.Has("Matching quick CRC's"));

    uint32_t upper = 0, lower = 0;
    StrHash("OLE", 0, &upper);
    StrHash("ole", 0, &lower);
    EXPECT_EQ(upper, 0x8864Fu);
    EXPECT_EQ(lower, 0x8864Fu);
}

TEST_F(KeywordTable, EntriesRegisteredInAnyLengthOrderAreAllFound) {
    // The walk stops at the first shorter entry, so a misplaced entry hides.
    for (const char* keyword : {"BB", "DDDDDD", "A", "CCCC", "EEE", "FFFF"})
        KeywordRegister(keyword, Accept);
    for (const char* keyword : {"A", "BB", "EEE", "CCCC", "FFFF", "DDDDDD"})
        EXPECT_EQ(KeywordIsKnown(keyword), 1) << keyword;
    EXPECT_EQ(KeywordIsKnown("GGGGG"), 0);
}

TEST_F(KeywordTable, DispatchStartsTheCountAtZeroAndReturnsTheHandlersResult) {
    KeywordRegister("TAKE", Accept);
    InstallScript script = {};
    int32_t consumed = 99;
    EXPECT_EQ(KeywordDispatch("take", &script, "", &consumed), 1);
    EXPECT_EQ(consumed, 5);
    consumed = 99;
    EXPECT_EQ(KeywordDispatch("LEAVE", &script, "", &consumed), 0);
    EXPECT_EQ(consumed, 0);
}

// Characters five places apart are shifted alike, so "ABCDEABCDE" cancels
// itself out to a hash of 0, and so does any such doubled word.
TEST_F(KeywordTable, SameHashIsLoggedAndAllowedOnlyForDifferentLengths) {
    LogCapture log;
    KeywordRegister("ABCDEABCDE", Accept);
    KeywordRegister("ABCDEABCDEFGHIJFGHIJ", Accept);
    EXPECT_TRUE(log.Has("Matching quick CRC's (ABCDEABCDE) and (ABCDEABCDEFGHIJFGHIJ)\n"));
    EXPECT_EQ(KeywordIsKnown("ABCDEABCDE"), 1);
    EXPECT_EQ(KeywordIsKnown("ABCDEABCDEFGHIJFGHIJ"), 1);
    // Characters are not compared: a word of the same length and hash selects the entry.
    EXPECT_EQ(KeywordIsKnown("VWXYZVWXYZ"), 1);
}

TEST_F(KeywordTable, KeywordOf39CharactersRegisters) {
    std::string keyword(39, 'Q');
    EXPECT_EQ(KeywordRegister(keyword.c_str(), Accept), 1);
    EXPECT_EQ(KeywordIsKnown(keyword.c_str()), 1);
}

#ifndef _WIN32
// Fatal reports end the process; under Wine they would also wait on a box.
using KeywordTableDeathTest = KeywordTable;

TEST_F(KeywordTableDeathTest, KeywordOf40CharactersIsFatal) {
    std::string keyword(40, 'Q');
    EXPECT_EXIT(KeywordRegister(keyword.c_str(), Accept), testing::ExitedWithCode(1),
                "Command keyword too long \\(Q+\\) \\(40 > 40\\)");
}

TEST_F(KeywordTableDeathTest, SameHashAndLengthIsFatal) {
    KeywordRegister("ABCDEABCDE", Accept);
    EXPECT_EXIT(KeywordRegister("FGHIJFGHIJ", Accept), testing::ExitedWithCode(1),
                "Matching lengths failure \\(10\\)");
}
#endif

using Keywords = ScriptTest;

TEST_F(Keywords, SettersCopyTheirField) {
    EXPECT_EQ(Run(Command("COMPANY NAME", "Acme\r\n") + Command("PRODUCT NAME", "Rocket\r\n") +
                  Command("PRODUCT VERSION", "2.1\r\n") + Command("TEXT", "hello\r\n") +
                  Command("REGISTRY PATH", "Software\\Acme\\Rocket\r\n") +
                  Command("UPDATE URL", "http://example.test/v\r\n") +
                  Command("INSTALL NAME", "setup.exe\r\n") +
                  Command("UNINSTALL NAME", "$3uninstall.exe\r\n")),
              1);
    EXPECT_STREQ(script->companyName, "Acme");
    EXPECT_STREQ(script->productName, "Rocket");
    EXPECT_STREQ(script->productVersion, "2.1");
    EXPECT_STREQ(script->textField, "hello");
    EXPECT_STREQ(script->registryPath, "Software\\Acme\\Rocket");
    EXPECT_STREQ(script->updateUrl, "http://example.test/v");
    EXPECT_STREQ(script->installName, "setup.exe");
    EXPECT_STREQ(script->uninstallName, "$3uninstall.exe");
}

TEST_F(Keywords, UpdateKeyMustBeAPointOfTheCurve) {
    const std::string key =
        "4692383c9102641eb2a57d6f8519bf025fbca2e6681b1691d83292f72ab86a18"
        "1743b4be417a4a34f26629194ab30d14d779d029add1d64ee9c1a96513d71425";
    Run(Command("UPDATE KEY", key + "\r\n"));
    EXPECT_EQ(script->updateKey, key);
    ScriptFree(&script);

    std::string offCurve = key;
    offCurve[0] = '5';
    std::vector<std::string> malformed = {"abc", key.substr(2), key + "00", ""};
    if (KeyImportChecksTheCurve()) malformed.push_back(offCurve);
    for (const std::string& bad : malformed) {
        LogCapture log;
        Run(Command("UPDATE KEY", bad + "\r\n"));
        EXPECT_STREQ(script->updateKey, "") << bad;
        EXPECT_TRUE(log.Has("Malformed update key '" + bad + "'\n")) << log.Text();
        ScriptFree(&script);
    }
}

TEST_F(Keywords, InstallDirEndsInOneBackslash) {
    Run(Command("INSTALL DIR", "Acme\\Rocket\r\n"));
    EXPECT_STREQ(script->installDir, "Acme\\Rocket\\");
    ScriptFree(&script);
    Run(Command("INSTALL DIR", "Acme\\\r\n"));
    EXPECT_STREQ(script->installDir, "Acme\\");
    ScriptFree(&script);
    Run(Command("INSTALL DIR", "\r\n"));
    EXPECT_STREQ(script->installDir, "");
}

TEST_F(Keywords, InstallSizeIsTheFieldsDecimalValue) {
    Run(Command("INSTALL SIZE", "  1234kB\r\n"));
    EXPECT_EQ(script->installSize, 1234);
    ScriptFree(&script);
    Run(Command("INSTALL SIZE", "-12\r\n"));
    EXPECT_EQ(script->installSize, -12);
    ScriptFree(&script);
    Run(Command("INSTALL SIZE", "many\r\n"));
    EXPECT_EQ(script->installSize, 0);
    ScriptFree(&script);
    // Too large for the setting: the largest value, not an arbitrary one.
    Run(Command("INSTALL SIZE", "99999999999\r\n"));
    EXPECT_EQ(script->installSize, INT32_MAX);
}

TEST_F(Keywords, ListsCountTheirEntriesAndStayInTheScript) {
    Run(Command("FILE LIST", "a.exe,b.dll,c.txt\r\n") + Command("TEMP LIST", "\r\n") +
        Command("COMPANY NAME", "Acme\r\n"));
    EXPECT_EQ(script->fileCount, 3);
    EXPECT_EQ(std::string(script->fileList, 17), "a.exe,b.dll,c.txt");
    EXPECT_GE(script->fileList, script->text);
    EXPECT_LT(script->fileList, script->text + script->length);
    EXPECT_EQ(script->tempCount, 1) << "an empty list still has one (empty) entry";
    EXPECT_STREQ(script->companyName, "Acme");
}

TEST_F(Keywords, ListServerTakesNumberNameAndText) {
    Run(Command("LISTSERVER", " 12 lists\nAcme News\nSubscribe me\r\n"));
    EXPECT_EQ(script->listServerNumber, 12);
    EXPECT_STREQ(script->listServerName, "Acme News");
    EXPECT_STREQ(script->listServerText, "Subscribe me");
}

TEST_F(Keywords, ActionsOutsideTheirModesReadTheirFieldsAndDoNothing) {
    LogCapture log;
    EXPECT_EQ(Run(Command("TEXT", "scratch\r\n") +
                      Command("OLE", "REGISTER\n$2component.dll\r\n") +
                      Command("REGISTER", "http://example.test/r\nREG\nRegister now?\r\n") +
                      Command("INSTALL", "\r\n") + Command("COMPANY NAME", "Acme\r\n"),
                  MODE_UPDATE),
              1);
    EXPECT_FALSE(log.Has("OLE:"));
    EXPECT_FALSE(log.Has("not available"));
    EXPECT_STREQ(script->textField, "") << "REGISTER empties the text in every mode";
    EXPECT_EQ(script->runMode, MODE_UPDATE);
    EXPECT_STREQ(script->companyName, "Acme");
}

// In a run whose mode was given up (a declined step) the actions act on
// nothing, and every one of them must still read exactly its own fields.
TEST_F(Keywords, ActionsReadExactlyTheirFields) {
    EXPECT_EQ(Run(Command("WINDOW", "0\n1000\nNo Such Window 7f3a\n\n$3rocket.exe\nClose it\r\n") +
                      Command("CREATE GROUP", "Acme\\Rocket\r\n") +
                      Command("ADD ITEM", "0\n$3rocket.exe\n-Other\nRocket\r\n") +
                      Command("OLE", "REGISTER\n$3rocket.dll\r\n") +
                      Command("REGISTER", "http://example.test/r\nREG\nRegister now?\r\n") +
                      Command("INSTALL", "\r\n") + Command("DONE", "\r\n") +
                      Command("PRODUCT NAME", "Rocket\r\n"),
                  MODE_NONE),
              1);
    EXPECT_STREQ(script->productName, "Rocket");
    EXPECT_STREQ(script->restartProgram, "") << "no window of the product was open";
    EXPECT_STREQ(script->registrationShortcut, "");
}

// The install path is computed from the registry and path macros of the
// machine; only their shape is checked here.
TEST_F(Keywords, InstallPathIsProgramFilesJoinedWithTheInstallDir) {
    Run(Command("INSTALL DIR", "Acme\\Rocket\r\n") + Command("INSTALL PATH", "unused\r\n"));
    std::string path = script->installPath;
    EXPECT_NE(path.find("Program Files\\Acme\\Rocket\\"), std::string::npos) << path;
    EXPECT_STREQ(script->textField, "");

    ScriptFree(&script);
    Run(Command("INSTALL PATH", "unused\r\n") + Command("INSTALL DIR", "Acme\r\n"));
    path = script->installPath;
    EXPECT_EQ(path.substr(path.size() - 14), "Program Files\\") << path;
}

TEST_F(Keywords, InstallPathRecordedInTheRegistryWins) {
    std::random_device random;
    std::string key = "Software\\UninstallTests\\Rocket" + std::to_string(random());
    HKEY handle = nullptr;
    ASSERT_EQ(RegistryCreateKey(&handle, REGISTRY_CURRENT_USER, key.c_str()), 1);
    RegistrySetString(handle, "Install Path", "D:\\Tools\\Rocket\\");
    RegistryCloseKey(&handle);

    Run(Command("REGISTRY PATH", key + "\r\n") + Command("INSTALL DIR", "Acme\r\n") +
        Command("INSTALL PATH", "\r\n"));
    EXPECT_STREQ(script->installPath, "D:\\Tools\\Rocket\\");

    // A recorded path too long for the setting is not cut into another
    // folder, nor replaced by the computed one: there is no installation.
    ScriptFree(&script);
    ASSERT_EQ(RegistryOpenKey(&handle, REGISTRY_CURRENT_USER, key.c_str()), 1);
    RegistrySetString(handle, "Install Path", ("D:\\" + std::string(200, 'R') + "\\").c_str());
    RegistryCloseKey(&handle);
    Run(Command("REGISTRY PATH", key + "\r\n") + Command("INSTALL DIR", "Acme\r\n") +
        Command("INSTALL PATH", "\r\n"));
    EXPECT_STREQ(script->installPath, "");
    RegistryDeleteKey(REGISTRY_CURRENT_USER, key.c_str());
}

} // namespace
