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

TEST_F(ScriptEngine, FieldEndsAtAByteFrom0x80Up) {
    EXPECT_EQ(Run(Command("PRODUCT NAME", "Rock\xE9t\r\n")), 1);
    EXPECT_STREQ(script->productName, "Rock");
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

} // namespace
