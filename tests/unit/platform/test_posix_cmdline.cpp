// Command lines composed from argv and split again with the Windows rules.
#ifndef _WIN32

#include "platform/platform.h"
#include "platform/posix/cmdline.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Arguments = std::vector<std::string>;

std::string Compose(const Arguments& arguments) {
    std::vector<const char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(argument.c_str());
    return ComposeWindowsCommandLine(static_cast<int>(argv.size()), argv.data());
}

TEST(PosixCommandLine, SplitsLikeCommandLineToArgv) {
    // The documented examples of the Windows parsing rules.
    EXPECT_EQ(SplitWindowsCommandLine("p \"a b c\" d e"), (Arguments{"p", "a b c", "d", "e"}));
    EXPECT_EQ(SplitWindowsCommandLine("p \"ab\\\"c\" \"\\\\\" d"),
              (Arguments{"p", "ab\"c", "\\", "d"}));
    EXPECT_EQ(SplitWindowsCommandLine("p a\\\\\\b d\"e f\"g h"),
              (Arguments{"p", "a\\\\\\b", "de fg", "h"}));
    EXPECT_EQ(SplitWindowsCommandLine("p a\\\\\\\"b c d"), (Arguments{"p", "a\\\"b", "c", "d"}));
    EXPECT_EQ(SplitWindowsCommandLine("p a\\\\\\\\\"b c\" d e"),
              (Arguments{"p", "a\\\\b c", "d", "e"}));
    EXPECT_EQ(SplitWindowsCommandLine("p \"\" x"), (Arguments{"p", "", "x"}));
    EXPECT_EQ(SplitWindowsCommandLine("p \t a  \t"), (Arguments{"p", "a"}));
}

TEST(PosixCommandLine, ProgramPathIsReadWithoutEscapes) {
    EXPECT_EQ(SplitWindowsCommandLine("\"C:\\Program Files\\x.exe\" -Spawn"),
              (Arguments{"C:\\Program Files\\x.exe", "-Spawn"}));
    EXPECT_EQ(SplitWindowsCommandLine("C:\\dir\\x.exe"), (Arguments{"C:\\dir\\x.exe"}));
    EXPECT_EQ(SplitWindowsCommandLine("\"C:\\no end"), (Arguments{"C:\\no end"}));
    EXPECT_EQ(SplitWindowsCommandLine(""), (Arguments{""}));
}

TEST(PosixCommandLine, ComposedLineSplitsBackToTheSameArguments) {
    Arguments arguments = {"/opt/my app/uninstall",
                           "-Register",
                           "",
                           "two words",
                           "quote\"inside",
                           "trailing\\",
                           "back\\\\\"slash",
                           "tab\there",
                           "C:\\Program Files\\",
                           "\\\\server\\share"};
    std::string line = Compose(arguments);
    EXPECT_EQ(SplitWindowsCommandLine(line.c_str()), arguments) << line;
}

TEST(PosixCommandLine, PlainArgumentsAreNotQuoted) {
    EXPECT_EQ(Compose({"./uninstall", "-Register", "-debug"}), "./uninstall -Register -debug");
    EXPECT_EQ(Compose({"/a b/uninstall", "x y"}), "\"/a b/uninstall\" \"x y\"");
    EXPECT_EQ(QuoteWindowsArgument("C:\\dir\\"), "C:\\dir\\");
    EXPECT_EQ(QuoteWindowsArgument("C:\\my dir\\"), "\"C:\\my dir\\\\\"");
}

TEST(PosixCommandLine, TailSkipsTheProgramPathAndTheBlanksAfterIt) {
    EXPECT_STREQ(WindowsCommandTail("\"C:\\Program Files\\x.exe\"  -Register \"a b\""),
                 "-Register \"a b\"");
    EXPECT_STREQ(WindowsCommandTail("./uninstall\t -Spawn -Update"), "-Spawn -Update");
    EXPECT_STREQ(WindowsCommandTail("./uninstall"), "");
    EXPECT_STREQ(WindowsCommandTail("\"unterminated path"), "");
    EXPECT_STREQ(WindowsCommandTail(""), "");
}

// The line a parent started the program with is taken only while it still
// splits into the arguments received, and never passed on.
TEST(PosixCommandLine, HandedLineIsTakenWhenItFitsTheArguments) {
    std::string before = PlatGetCommandLine();
    const char* argv[] = {"/tmp/a-update/DelA1.TMP.exe", "-Spawn", "a b"};
    struct Case {
        const char* handed;
        const char* recorded;
    } cases[] = {
        {"\"C:\\windows\\temp\\DelA1.TMP.exe\" -Spawn \"a b\"",
         "\"C:\\windows\\temp\\DelA1.TMP.exe\" -Spawn \"a b\""},
        {"\"C:\\x.exe\" -Spawn -Update", "/tmp/a-update/DelA1.TMP.exe -Spawn \"a b\""},
        {"\"C:\\x.exe\" -Spawn", "/tmp/a-update/DelA1.TMP.exe -Spawn \"a b\""},
        {nullptr, "/tmp/a-update/DelA1.TMP.exe -Spawn \"a b\""},
    };
    for (const Case& c : cases) {
        if (c.handed) setenv(HANDED_COMMAND_LINE, c.handed, 1);
        RecordProgramArguments(3, argv);
        EXPECT_STREQ(PlatGetCommandLine(), c.recorded) << (c.handed ? c.handed : "none");
        EXPECT_EQ(getenv(HANDED_COMMAND_LINE), nullptr);
    }
    std::vector<std::string> original = SplitWindowsCommandLine(before.c_str());
    std::vector<const char*> restored;
    for (const std::string& argument : original)
        restored.push_back(argument.c_str());
    RecordProgramArguments(static_cast<int>(restored.size()), restored.data());
}

} // namespace

#endif
