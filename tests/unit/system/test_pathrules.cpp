#include "log-capture.h"
#include "platform/platform.h"
#include "system/folders.h"
#include "system/pathrules.h"
#include "system/wellknown.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace {

struct PathCase {
    const char* path;
    int verdict;
};

// What may be deleted: a whole path below a drive or share root, nothing
// that depends on the current folder or names a root in any disguise.
const PathCase kCases[] = {
    {"C:\\Program Files\\Acme\\demo.exe", PATH_ACCEPTED},
    {"c:/Acme/demo.exe", PATH_ACCEPTED},
    {"Z:\\home\\user\\Acme\\", PATH_ACCEPTED},
    {"C:\\Acme\\..x", PATH_ACCEPTED},
    {"\\\\server\\share\\Acme\\demo.exe", PATH_ACCEPTED},
    {"\\\\?\\C:\\Acme\\demo.exe", PATH_ACCEPTED},
    {"\\\\?\\UNC\\server\\share\\demo.exe", PATH_ACCEPTED},

    {"", PATH_EMPTY},
    {"demo.exe", PATH_RELATIVE},
    {"tmp\\x\\sentinel.txt", PATH_RELATIVE},
    {"\\demo.exe", PATH_RELATIVE},
    {"\\", PATH_RELATIVE},
    {"C:demo.exe", PATH_RELATIVE},
    {"1:\\demo.exe", PATH_RELATIVE},
    {"\\\\\\share\\x", PATH_RELATIVE},

    {"C:\\", PATH_ROOT},
    {"C:/", PATH_ROOT},
    {"C:\\\\\\", PATH_ROOT},
    {"\\\\server\\share\\", PATH_ROOT},
    {"\\\\server\\share", PATH_ROOT},
    {"\\\\server", PATH_ROOT},
    {"\\\\?\\C:\\", PATH_ROOT},
    {"\\\\?\\UNC\\server\\share\\", PATH_ROOT},

    {"C:\\Acme\\..\\..\\", PATH_DOT_NAME},
    {"C:\\.\\", PATH_DOT_NAME},
    {"C:\\Acme\\ . \\x", PATH_DOT_NAME},
    {"C:\\...", PATH_DOT_NAME},
    {"\\\\server\\..\\x", PATH_DOT_NAME},

    {"\\\\.\\C:\\x", PATH_DEVICE},
    {"\\\\?\\GLOBALROOT\\Device\\x", PATH_DEVICE},
};

TEST(PathRules, ClassifiesEveryKindOfPath) {
    for (const PathCase& c : kCases) {
        EXPECT_EQ(c.verdict, ClassifyActionPath(c.path)) << "'" << c.path << "'";
    }
}

TEST(PathRules, OnlyARefusalIsLogged) {
    LogCapture log;
    EXPECT_EQ(1, AcceptActionPath("C:\\Acme\\demo.exe"));
    EXPECT_EQ(0, AcceptActionPath("demo.exe"));
    EXPECT_EQ(0, AcceptActionPath("C:\\"));
    EXPECT_FALSE(log.Has("Acme"));
    EXPECT_TRUE(log.Has("Refused path 'demo.exe': not absolute\n"));
    EXPECT_TRUE(log.Has("Refused path 'C:\\': a drive or share root\n"));
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Pruning stops at these however the folder is spelt; their subfolders
// and look-alikes are ordinary folders.
TEST(WellKnownFolders, AreKnownInEverySpellingAndOnlyThemselves) {
    char windows[320] = "", programFiles[320] = "", programs[320] = "";
    ASSERT_EQ(1, PlatGetWindowsFolder(windows, sizeof windows));
    ASSERT_EQ(1, PlatGetProgramsFolder(programs, sizeof programs));
    GetProgramFilesFolder(programFiles);
    std::string w = windows;
    std::string pf = programFiles;

    for (const std::string& folder :
         {w, w + "\\", Lower(w) + "/", pf, pf + "Common Files", pf + "Common Files\\",
          std::string(programs) + "\\"}) {
        EXPECT_EQ(1, IsWellKnownFolder(folder.c_str())) << folder;
    }
    for (const std::string& folder :
         {w + "\\Product\\", w + "x\\", pf + "Acme\\", pf + "Common", std::string("C:\\Acme\\")}) {
        EXPECT_EQ(0, IsWellKnownFolder(folder.c_str())) << folder;
    }
}

} // namespace
