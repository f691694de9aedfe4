// The script engine: finding commands, reading keywords and fields, where
// the engine stands afterwards, and how a run ends.
#include "test_script_fixture.h"

#include "base/strings.h"

#include <cstring>

namespace {

using ScriptEngine = ScriptTest;

// An unknown keyword shows a message box. Under Wine that box would wait
// for a user; the end-to-end scenarios answer it with the dialog robot.
#ifdef _WIN32
#define SKIP_WHERE_BOXES_WAIT() GTEST_SKIP() << "the message box would wait for a user"
#else
#define SKIP_WHERE_BOXES_WAIT() (void)0
#endif

TEST_F(ScriptEngine, LoadKeepsTheTextTheModeAndStartsAtTheBeginning) {
    Load("abc\x16TEXT:x\r\n", MODE_UPDATE);
    EXPECT_EQ(script->length, 12);
    EXPECT_EQ(std::string(script->text), "abc\x16TEXT:x\r\n");
    EXPECT_EQ(script->runMode, MODE_UPDATE);
    EXPECT_EQ(Position(), 0);
}

TEST_F(ScriptEngine, LoadOfAMissingScriptFailsAndKeepsNothing) {
    std::string path = folder_.Path("absent.dat");
    EXPECT_EQ(ScriptLoad(&script, path.c_str(), MODE_UNINSTALL), 0);
    EXPECT_EQ(script, nullptr);
    // TearDown checks that no tracked block was left behind.
}

TEST_F(ScriptEngine, FreeEmptiesTheSlot) {
    Load("");
    EXPECT_EQ(ScriptFree(&script), 1);
    EXPECT_EQ(script, nullptr);
}

TEST_F(ScriptEngine, TextWithoutMarkersRunsNothingAndSummarisesEmptySettings) {
    LogCapture log;
    EXPECT_EQ(Run("COMPANY NAME:Acme\r\nno commands here\r\n"), 1);
    EXPECT_STREQ(script->companyName, "");
    EXPECT_EQ(Position(), script->length);
    EXPECT_TRUE(log.Has("Company Name   : \n"
                        "Product Name   : \n"
                        "File Count     : 0\n"
                        "Install Path   :  []\n"));
}

TEST_F(ScriptEngine, SummaryShowsTheSettingsOfTheRun) {
    LogCapture log;
    EXPECT_EQ(Run(Command("COMPANY NAME", "Acme\r\n") + Command("PRODUCT NAME", "Rocket\r\n") +
                  Command("FILE LIST", "a.exe,b.dll,c.txt\r\n") +
                  Command("INSTALL DIR", "Acme\r\n")),
              1);
    EXPECT_TRUE(log.Has("Company Name   : Acme\n"
                        "Product Name   : Rocket\n"
                        "File Count     : 3\n"
                        "Install Path   :  [Acme\\]\n"));
}

TEST_F(ScriptEngine, KeywordsMatchInAnyLetterCase) {
    EXPECT_EQ(Run("\x16" "company name:Acme\r\n\x16Product Name:Rocket\r\n"), 1);
    EXPECT_STREQ(script->companyName, "Acme");
    EXPECT_STREQ(script->productName, "Rocket");
}

TEST_F(ScriptEngine, UnknownKeywordStopsTheRunAtItsMarker) {
    LogCapture log;
    std::string first = Command("COMPANY NAME", "Acme\r\n");
    int result = Run(first + Command("BOGUS", "x\r\n") + Command("PRODUCT NAME", "Rocket\r\n"));

    EXPECT_EQ(result, SCRIPT_RUN_CORRUPTED);
    EXPECT_STREQ(script->companyName, "Acme");
    EXPECT_STREQ(script->productName, "") << "no command after the unknown one runs";
    EXPECT_EQ(Position(), static_cast<long>(first.size()));
    EXPECT_TRUE(log.Has("Unknown script command 'BOGUS'\n"));
    EXPECT_FALSE(log.Has("Company Name")) << "a stopped run has no summary";
}

int failingHandlerCalls = 0;
int FailingHandler(InstallScript*, const char*, int32_t*) {
    ++failingHandlerCalls;
    return 0;
}

TEST_F(ScriptEngine, FailedCommandStopsTheRunAtItsMarker) {
    KeywordRegister("FAILING", FailingHandler);
    LogCapture log;
    failingHandlerCalls = 0;
    std::string first = Command("TEXT", "a\r\n");
    EXPECT_EQ(Run(first + Command("FAILING", "\r\n") + Command("PRODUCT NAME", "Rocket\r\n")), 0);
    EXPECT_EQ(failingHandlerCalls, 1);
    EXPECT_EQ(Position(), static_cast<long>(first.size()));
    EXPECT_STREQ(script->productName, "");
    EXPECT_TRUE(log.Has("Command Failed 'FAILING'\n"));
}

TEST_F(ScriptEngine, KeywordIsCutAfter39CharactersAndThenNotFound) {
    LogCapture log;
    std::string keyword(45, 'K');
    EXPECT_EQ(Run("\x16" + keyword + ":x\r\n"), SCRIPT_RUN_CORRUPTED);
    EXPECT_TRUE(log.Has("Unknown script command '" + std::string(39, 'K') + "'\n"));
}

// Bytes from 0x80 up are characters of the script's code page (1252 by
// default), not terminators: the field reads on in UTF-8.
TEST_F(ScriptEngine, FieldHoldsTheCharactersOfItsCodePage) {
    EXPECT_EQ(Run(Command("PRODUCT NAME", "Rock\xE9t\r\n")), 1);
    EXPECT_STREQ(script->productName, "Rock\xC3\xA9t");
}

TEST_F(ScriptEngine, ByteAfterACommandIsPassedOverUnseen) {
    // A single line feed after the field: the marker right behind it is
    // the skipped byte, so that command never runs.
    EXPECT_EQ(Run(Command("COMPANY NAME", "Acme\n") + Command("PRODUCT NAME", "Rocket\r\n")), 1);
    EXPECT_STREQ(script->companyName, "Acme");
    EXPECT_STREQ(script->productName, "");

    ScriptFree(&script);
    // A carriage return and line feed leave the next marker in place.
    EXPECT_EQ(Run(Command("COMPANY NAME", "Acme\r\n") + Command("PRODUCT NAME", "Rocket\r\n")), 1);
    EXPECT_STREQ(script->productName, "Rocket");
}

TEST_F(ScriptEngine, FieldsOfOneCommandAreSeparatedByExactlyOneTerminator) {
    EXPECT_EQ(Run(Command("LISTSERVER", "7\nAcme News\nweekly\r\n")), 1);
    EXPECT_EQ(script->listServerNumber, 7);
    EXPECT_STREQ(script->listServerName, "Acme News");
    EXPECT_STREQ(script->listServerText, "weekly");

    ScriptFree(&script);
    // With CR LF between them, the line feed is an empty field of its own.
    EXPECT_EQ(Run(Command("LISTSERVER", "7\r\nAcme News\r\nweekly\r\n")), 1);
    EXPECT_EQ(script->listServerNumber, 7);
    EXPECT_STREQ(script->listServerName, "");
    EXPECT_STREQ(script->listServerText, "Acme News");
}

TEST_F(ScriptEngine, SkippedKeywordHidesMarkersUpToTheLineEnd) {
    EXPECT_EQ(Run(Command("BREAK", "x \x16" "COMPANY NAME:Hidden\r\n") +
                  Command("PRODUCT NAME", "Rocket\r\n")),
              1);
    EXPECT_STREQ(script->companyName, "");
    EXPECT_STREQ(script->productName, "Rocket");
}

TEST_F(ScriptEngine, LongFieldIsCutToItsSettingAndTheParseStaysAligned) {
    std::string longName(300, 'N');
    EXPECT_EQ(Run(Command("PRODUCT NAME", longName + "\r\n") + Command("COMPANY NAME", "Acme\r\n")),
              1);
    EXPECT_EQ(std::string(script->productName), std::string(SCRIPT_TEXT_SIZE - 1, 'N'));
    EXPECT_STREQ(script->companyName, "Acme");
}

TEST_F(ScriptEngine, CommandAtTheVeryEndReadsNothingBeyondTheScript) {
    // Fields missing at the end of the block read as empty; the sanitizer
    // build would report any byte read beyond the text.
    EXPECT_EQ(Run(Command("COMPANY NAME", "Acme\r\n") + Command("LISTSERVER", "")), 1);
    EXPECT_EQ(script->listServerNumber, 0);
    EXPECT_STREQ(script->listServerName, "");
    EXPECT_STREQ(script->listServerText, "");
    EXPECT_EQ(Position(), script->length);

    ScriptFree(&script);
    // A keyword without ':' running to the end of the block.
    EXPECT_EQ(Run(Command("TEXT", "a\r\n") + "\x16" "COMPANY NAME"), 1);
    EXPECT_STREQ(script->companyName, "");
    EXPECT_EQ(Position(), script->length);
}

// The stored script is read in the code page it declares (1252 without a
// declaration): the same names on both systems.
TEST_F(ScriptEngine, ReadsTheScriptInTheCodePageItDeclares) {
    const struct {
        std::string declaration;
        std::string stored;
        const char* read;
    } cases[] = {
        {"", "caf\xE9 \x80", "caf\xC3\xA9 \xE2\x82\xAC"},
        {Command("CODE PAGE", "1251\r\n"), "\xCF\xF0\xEE\xE4\xF3\xEA\xF2",
         "\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB4\xD1\x83\xD0\xBA\xD1\x82"},
        {Command("code page", "932\r\n"), "\x90\xBB\x95\x69", "\xE8\xA3\xBD\xE5\x93\x81"},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.read);
        EXPECT_EQ(Run(each.declaration + Command("PRODUCT NAME", each.stored + "\r\n")), 1);
        EXPECT_STREQ(script->productName, each.read);
        ScriptFree(&script);
    }
}

TEST_F(ScriptEngine, ScriptInACodePageItCannotReadIsNotLoaded) {
    std::string path = folder_.Path("install.dat");
    ScratchFolder::Write(path, Command("CODE PAGE", "437\r\n") + Command("COMPANY NAME", "A\r\n"));
    LogCapture log;
    EXPECT_EQ(ScriptLoad(&script, path.c_str(), MODE_UNINSTALL), 0);
    EXPECT_EQ(script, nullptr);
    EXPECT_TRUE(log.Has("Unknown code page 437\n"));
}

// A field longer than its setting is cut before the character the cut
// would go through: the setting never holds half a character.
TEST_F(ScriptEngine, FieldCutShortKeepsWholeCharacters) {
    const std::string cyrillic = "\xCF\xF0";  // two letters in 1251, two bytes each in UTF-8
    std::string stored;
    for (int i = 0; i < 79; ++i) stored += cyrillic;  // 158 letters, 316 bytes read
    EXPECT_EQ(Run(Command("CODE PAGE", "1251\r\n") + Command("COMPANY NAME", "a" + stored + "\r\n")), 1);
    // 159 bytes fit: "a" and 79 whole letters; the 80th would be cut.
    EXPECT_EQ(strlen(script->companyName), 159u);
    EXPECT_EQ(std::string(script->companyName, 3), "a\xD0\x9F");
    EXPECT_EQ(std::string(script->companyName + 157), "\xD0\x9F");
    ScriptFree(&script);
    EXPECT_EQ(Run(Command("CODE PAGE", "1251\r\n") + Command("COMPANY NAME", "ab" + stored + "\r\n")), 1);
    EXPECT_EQ(strlen(script->companyName), 158u);
}

} // namespace
