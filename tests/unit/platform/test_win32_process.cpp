// The Win32 backend's process, program and folder-query calls (run under
// Wine in the Windows build).
#ifdef _WIN32
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/platform.h"

namespace {

using FolderQuery = int (*)(char*, int);

struct NamedQuery {
    const char* name;
    FolderQuery query;
};

const NamedQuery FolderQueries[] = {
    {"windows", PlatGetWindowsFolder}, {"system", PlatGetSystemFolder},
    {"temp", PlatGetTempFolder},       {"current", PlatGetCurrentFolder},
    {"programs", PlatGetProgramsFolder},
};

bool IsPrintablePath(const char* text) {
    for (const char* p = text; *p != '\0'; ++p) {
        if (static_cast<unsigned char>(*p) < 32) return false;
    }
    return true;
}

TEST(Win32FolderQueries, GiveADrivePathAndNothingAfterIt) {
    for (const NamedQuery& each : FolderQueries) {
        char buffer[320];
        memset(buffer, 'x', sizeof(buffer));
        ASSERT_TRUE(each.query(buffer, sizeof(buffer))) << each.name;
        const size_t length = strlen(buffer);
        ASSERT_LT(length, sizeof(buffer)) << each.name;
        EXPECT_GT(length, 2u) << each.name;
        EXPECT_EQ(buffer[1], ':') << each.name << ": " << buffer;
        EXPECT_TRUE(IsPrintablePath(buffer)) << each.name;
        EXPECT_NE(buffer[length - 1], ' ') << each.name;
        EXPECT_EQ(GetFileAttributesA(buffer) & FILE_ATTRIBUTE_DIRECTORY,
                  static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY))
            << each.name << ": " << buffer;
    }
}

TEST(Win32FolderQueries, OnlyTheTempFolderEndsInASeparator) {
    char buffer[320];
    ASSERT_TRUE(PlatGetTempFolder(buffer, sizeof(buffer)));
    EXPECT_EQ(buffer[strlen(buffer) - 1], '\\');
    ASSERT_TRUE(PlatGetWindowsFolder(buffer, sizeof(buffer)));
    EXPECT_NE(buffer[strlen(buffer) - 1], '\\');
    ASSERT_TRUE(PlatGetProgramsFolder(buffer, sizeof(buffer)));
    EXPECT_NE(buffer[strlen(buffer) - 1], '\\');
}

TEST(Win32FolderQueries, TooSmallABufferGivesAnEmptyText) {
    for (const NamedQuery& each : FolderQueries) {
        char buffer[8];
        memset(buffer, 'x', sizeof(buffer));
        EXPECT_FALSE(each.query(buffer, 4)) << each.name;
        EXPECT_STREQ(buffer, "") << each.name;
        EXPECT_EQ(buffer[4], 'x') << each.name << " wrote past its size";
    }
}

TEST(Win32Self, ModulePathIsTheRunningProgramCutToSize) {
    char full[320];
    const int length = PlatGetModulePath(full, sizeof(full));
    ASSERT_EQ(length, static_cast<int>(strlen(full)));
    std::string path(full);
    ASSERT_GE(path.size(), 14u);
    EXPECT_STRCASEEQ(path.substr(path.size() - 14).c_str(), "unit_tests.exe");

    char cut[8];
    memset(cut, 'x', sizeof(cut));
    EXPECT_EQ(PlatGetModulePath(cut, 6), 5);
    EXPECT_EQ(std::string(cut), path.substr(0, 5));
    EXPECT_EQ(cut[6], 'x');
}

TEST(Win32Self, CommandLineStartsWithTheProgram) {
    const char* line = PlatGetCommandLine();
    ASSERT_NE(line, nullptr);
    EXPECT_NE(std::string(line).find("unit_tests"), std::string::npos) << line;
}

TEST(Win32Self, InheritableHandleWaitsForThisProcessOnly) {
    const uintptr_t self = PlatOpenSelfInheritable();
    ASSERT_NE(self, 0u);
    HANDLE handle = reinterpret_cast<HANDLE>(self);
    DWORD flags = 0;
    ASSERT_TRUE(GetHandleInformation(handle, &flags));
    EXPECT_TRUE(flags & HANDLE_FLAG_INHERIT);
    EXPECT_EQ(WaitForSingleObject(handle, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    PlatCloseHandle(self);
}

std::string Cmd() {
    char system[320];
    EXPECT_TRUE(PlatGetSystemFolder(system, sizeof(system)));
    return std::string(system) + "\\cmd.exe";
}

TEST(Win32Processes, ExitCodeOfAStartedProgram) {
    PlatProcess process = nullptr;
    ASSERT_TRUE(PlatStartProcess(("\"" + Cmd() + "\" /c exit 7").c_str(), &process));
    ASSERT_NE(process, nullptr);
    EXPECT_TRUE(PlatWaitProcess(process, 30000));
    uint32_t code = 0;
    EXPECT_TRUE(PlatProcessExitCode(process, &code));
    EXPECT_EQ(code, 7u);
    PlatCloseProcess(process);
}

TEST(Win32Processes, WaitTimesOutWhileTheProgramRuns) {
    PlatProcess process = nullptr;
    // cmd waits for the line it reads; the pipe stays open until we close it.
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, &inherit, 0));
    SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0);
    HANDLE savedInput = GetStdHandle(STD_INPUT_HANDLE);
    SetStdHandle(STD_INPUT_HANDLE, readEnd);
    const int started =
        PlatStartProcess(("\"" + Cmd() + "\" /c set /p line= & exit 3").c_str(), &process);
    SetStdHandle(STD_INPUT_HANDLE, savedInput);
    CloseHandle(readEnd);
    ASSERT_TRUE(started);

    EXPECT_FALSE(PlatWaitProcess(process, 200));
    DWORD written = 0;
    WriteFile(writeEnd, "go\r\n", 4, &written, nullptr);
    CloseHandle(writeEnd);
    EXPECT_TRUE(PlatWaitProcess(process, 30000));
    uint32_t code = 0;
    EXPECT_TRUE(PlatProcessExitCode(process, &code));
    EXPECT_EQ(code, 3u);
    PlatCloseProcess(process);
}

TEST(Win32Processes, MissingProgramsDoNotStart) {
    PlatProcess process = nullptr;
    EXPECT_FALSE(PlatStartProcess("C:\\no\\such\\program.exe", &process));
    EXPECT_EQ(process, nullptr);
    // A missing file handed to the shell is not tried here: the shell then
    // shows its own error box (Windows and Wine alike) and the test would wait.
}

TEST(Win32Processes, ShellOpenStartsAProgramAndHandsItsProcess) {
    PlatProcess process = nullptr;
    ASSERT_TRUE(PlatShellOpen(Cmd().c_str(), "/c exit 5", &process));
    ASSERT_NE(process, nullptr);
    EXPECT_TRUE(PlatWaitProcess(process, 30000));
    uint32_t code = 0;
    EXPECT_TRUE(PlatProcessExitCode(process, &code));
    EXPECT_EQ(code, 5u);
    PlatCloseProcess(process);
}

TEST(Win32Components, EntryPointsAreFoundByName) {
    char system[320];
    ASSERT_TRUE(PlatGetSystemFolder(system, sizeof(system)));
    HMODULE module = PlatLoadComponent((std::string(system) + "\\ole32.dll").c_str());
    ASSERT_NE(module, nullptr);
    EXPECT_NE(PlatComponentEntry(module, "CoInitialize"), nullptr);
    EXPECT_EQ(PlatComponentEntry(module, "DllUnregisterServerX"), nullptr);
    PlatFreeComponent(module);
    EXPECT_EQ(PlatLoadComponent("C:\\no\\such\\component.dll"), nullptr);
}

TEST(Win32Components, ComAndOleStartOnThisThread) {
    EXPECT_GE(PlatComInitialize(), 0);
    EXPECT_GE(PlatOleInitialize(), 0);
    PlatOleUninitialize();
    PlatComUninitialize();
}

}  // namespace
#endif
