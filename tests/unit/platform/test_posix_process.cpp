// Starting programs from Windows command lines, waiting for them and
// reading their exit codes.
#ifndef _WIN32

#include "platform/platform.h"
#include "platform/posix/cmdline.h"
#include "platform/posix/lasterror.h"
#include "test_posix_prefix.h"

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

class PosixProcessTest : public PosixPrefixTest {
  protected:
    void SetUp() override {
        PosixPrefixTest::SetUp();
        ASSERT_EQ(PlatCreateFolder("C:\\bin"), 1);
    }
    // Runs the line to its end and gives the exit code.
    static uint32_t Run(const std::string& line) {
        PlatProcess process = nullptr;
        EXPECT_EQ(PlatStartProcess(line.c_str(), &process), 1) << line;
        if (!process)
            return 0xDEAD;
        EXPECT_EQ(PlatWaitProcess(process, 0xFFFFFFFFu), 1);
        uint32_t code = 0xDEAD;
        EXPECT_EQ(PlatProcessExitCode(process, &code), 1);
        PlatCloseProcess(process);
        return code;
    }
    void Script(const std::string& relative, const std::string& body) {
        std::string host = Host("drive_c/" + relative);
        FILE* file = fopen(host.c_str(), "w");
        ASSERT_NE(file, nullptr);
        fprintf(file, "#!/bin/sh\n%s\n", body.c_str());
        fclose(file);
        chmod(host.c_str(), 0755);
    }
    std::string ReadHost(const std::string& relative) {
        std::string content;
        FILE* file = fopen(Host("drive_c/" + relative).c_str(), "r");
        if (!file)
            return "<none>";
        char chunk[256];
        size_t got;
        while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
            content.append(chunk, got);
        fclose(file);
        return content;
    }
};

TEST_F(PosixProcessTest, ExitCodeComesBack) {
    EXPECT_EQ(Run("Z:\\bin\\sh -c \"exit 3\""), 3u);
    EXPECT_EQ(Run("sh -c \"exit 0\""), 0u);
    EXPECT_EQ(Run("Z:\\bin\\sh -c \"kill -9 $$\""), 128u + 9u);
}

TEST_F(PosixProcessTest, ArgumentsArriveAsTheyWereQuoted) {
    Script("bin/args", "for a in \"$@\"; do printf '[%s]' \"$a\"; done > \"$0.out\"");
    std::vector<std::string> arguments = {"-Spawn",  "two words", "",
                                          "q\"uote", "C:\\dir\\", "back\\\\slash\\"};
    std::string line = "\"C:\\bin\\args\"";
    std::string expected;
    for (const std::string& argument : arguments) {
        line += " " + QuoteWindowsArgument(argument);
        expected += "[" + argument + "]";
    }
    EXPECT_EQ(Run(line), 0u);
    EXPECT_EQ(ReadHost("bin/args.out"), expected);
}

TEST_F(PosixProcessTest, ExeNameStartsTheNativeProgram) {
    Script("bin/tool", "exit 7");
    EXPECT_EQ(Run("\"C:\\bin\\tool.exe\" -Spawn"), 7u);
    EXPECT_EQ(Run("C:\\BIN\\..\\bin\\tool.EXE"), 7u);
}

TEST_F(PosixProcessTest, BareNameIsFoundInTheCurrentFolderFirst) {
    Script("bin/sh", "exit 9");
    ASSERT_EQ(PlatSetCurrentFolder("C:\\bin"), 1);
    EXPECT_EQ(Run("sh"), 9u);
}

TEST_F(PosixProcessTest, MissingProgramFailsAtTheStart) {
    PlatProcess process = reinterpret_cast<PlatProcess>(1);
    EXPECT_EQ(PlatStartProcess("\"C:\\bin\\none.exe\" -Spawn", &process), 0);
    EXPECT_EQ(process, nullptr);
    EXPECT_EQ(PlatLastError(), uint32_t(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(PlatStartProcess("no-such-program-anywhere", &process), 0);
    EXPECT_EQ(PlatLastError(), uint32_t(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(PlatStartProcess("D:\\x.exe", &process), 0);
    EXPECT_EQ(PlatStartProcess("", &process), 0);
}

TEST_F(PosixProcessTest, WaitTimesOutWhileTheProgramRuns) {
    PlatProcess process = nullptr;
    ASSERT_EQ(PlatStartProcess("Z:\\bin\\sh -c \"sleep 0.4; exit 5\"", &process), 1);
    uint32_t start = PlatTickCount();
    EXPECT_EQ(PlatWaitProcess(process, 50), 0);
    EXPECT_GE(PlatTickCount() - start, 50u);
    uint32_t code = 0;
    EXPECT_EQ(PlatProcessExitCode(process, &code), 1);
    EXPECT_EQ(code, uint32_t(STILL_ACTIVE));
    while (PlatWaitProcess(process, 500) == 0) {
    }
    EXPECT_EQ(PlatProcessExitCode(process, &code), 1);
    EXPECT_EQ(code, 5u);
    // Waiting again on an ended program returns at once.
    EXPECT_EQ(PlatWaitProcess(process, 0), 1);
    PlatCloseProcess(process);
}

TEST_F(PosixProcessTest, BrokenHandleEndsTheWaitInsteadOfLooping) {
    EXPECT_EQ(PlatWaitProcess(nullptr, 500), 1);
    uint32_t code = 0;
    EXPECT_EQ(PlatProcessExitCode(nullptr, &code), 0);
}

TEST_F(PosixProcessTest, ShellOpenStartsProgramsWithTheirParameters) {
    Script("bin/open", "printf '%s|' \"$@\" > \"$0.out\"; exit 4");
    PlatProcess process = nullptr;
    ASSERT_EQ(PlatShellOpen("C:\\bin\\open.exe", "-Quiet \"a b\"", &process), 1);
    ASSERT_NE(process, nullptr);
    EXPECT_EQ(PlatWaitProcess(process, 0xFFFFFFFFu), 1);
    uint32_t code = 0;
    EXPECT_EQ(PlatProcessExitCode(process, &code), 1);
    EXPECT_EQ(code, 4u);
    PlatCloseProcess(process);
    EXPECT_EQ(ReadHost("bin/open.out"), "-Quiet|a b|");

    EXPECT_EQ(PlatShellOpen("C:\\bin\\missing.txt", nullptr, &process), 0);
    EXPECT_EQ(PlatLastError(), uint32_t(ERROR_FILE_NOT_FOUND));
}

TEST_F(PosixProcessTest, ShellOpenOfADocumentNeedsAnOpener) {
    ASSERT_EQ(PlatCreateFolder("C:\\opener"), 1);
    Script("opener/xdg-open", "printf '%s' \"$1\" > \"$0.out\"");
    FILE* file = PlatFileOpen("C:\\bin\\readme.txt", "w");
    ASSERT_NE(file, nullptr);
    fclose(file);
    const char* oldPath = getenv("PATH");
    std::string saved = oldPath ? oldPath : "";

    setenv("PATH", Host("drive_c/opener").c_str(), 1);
    PlatProcess process = nullptr;
    EXPECT_EQ(PlatShellOpen("C:\\bin\\readme.txt", "", &process), 1);
    PlatWaitProcess(process, 0xFFFFFFFFu);
    PlatCloseProcess(process);
    EXPECT_EQ(ReadHost("opener/xdg-open.out"), Host("drive_c/bin/readme.txt"));

    // Addresses go to the opener as they are, not as paths.
    ASSERT_EQ(PlatShellOpen("http://example.invalid/page", "", &process), 1);
    PlatWaitProcess(process, 0xFFFFFFFFu);
    PlatCloseProcess(process);
    EXPECT_EQ(ReadHost("opener/xdg-open.out"), "http://example.invalid/page");

    setenv("PATH", Host("drive_c/none").c_str(), 1);
    EXPECT_EQ(PlatShellOpen("C:\\bin\\readme.txt", "", &process), 0);
    EXPECT_EQ(PlatLastError(), uint32_t(ERROR_NO_ASSOCIATION));
    setenv("PATH", saved.c_str(), 1);
}

} // namespace

#endif
