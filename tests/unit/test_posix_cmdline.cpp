// Command lines composed from argv and split again with the Windows rules.
#ifndef _WIN32

#include "platform/posix/cmdline.h"

#include <gtest/gtest.h>

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

} // namespace

#endif
