#include "base/strings.h"
#include "log-capture.h"
#include "script/pathmacro.h"
#include "script/script.h"
#include "system/folders.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Expansion {
    std::string path;
    uint32_t flags;
    int result;
};

Expansion Expand(const char* installPath, const char* text, int32_t mode = MODE_UNINSTALL) {
    InstallScript settings{};
    StrCopy(settings.installPath, installPath);
    settings.runMode = mode;
    char result[PATH_MACRO_SIZE];
    uint32_t flags = 0xFFFF;
    int ok = ExpandPathMacros(&settings, text, result, &flags);
    return {result, flags, ok};
}

std::string Folder(int (*query)(char*, int)) {
    char folder[FOLDER_PATH_SIZE];
    query(folder, sizeof folder);
    return folder;
}

TEST(ExpandPathMacros, PlainTextIsRelativeToTheInstallPath) {
    EXPECT_EQ("C:\\Acme\\", Expand("C:\\Acme\\", "").path);
    EXPECT_EQ("C:\\Acme\\", Expand("C:\\Acme\\", "\\").path);
    EXPECT_EQ("C:\\Acme\\bin/tool.exe", Expand("C:\\Acme\\", "bin/tool.exe").path);
    EXPECT_EQ("a\\b", Expand("", "\\a\\b").path);
    EXPECT_EQ(0u, Expand("", "x").flags);
}

TEST(ExpandPathMacros, CodesNameWellKnownFolders) {
    std::string windows = Folder(GetWindowsFolder), temp = Folder(GetTempFolder);
    EXPECT_EQ(windows + "\\name", Expand("C:\\Acme\\", "$1\\\\name").path);
    EXPECT_EQ(Folder(GetSystemFolder) + "x.dll", Expand("C:\\Acme\\", "$2x.dll").path);
    EXPECT_EQ(temp + "x", Expand("C:\\Acme\\", "$4\\x").path);
    EXPECT_EQ(Folder(GetCurrentFolder), Expand("", "$5").path);
    // Of several codes the last one that replaces the result wins.
    EXPECT_EQ(Folder(GetProgramFolder) + "x", Expand("", "$4$3x").path);
}

TEST(ExpandPathMacros, TemporaryFolderCodeActsOnlyWhenUninstalling) {
    EXPECT_EQ(Folder(GetTempFolder) + "f", Expand("C:\\Acme\\", "$6f").path);
    EXPECT_EQ("C:\\Acme\\f", Expand("C:\\Acme\\", "$6f", MODE_REGISTER_STANDALONE).path);
}

TEST(ExpandPathMacros, QueryCodeOnlySetsTheFlag) {
    Expansion e = Expand("C:\\Acme\\", "$?readme.txt");
    EXPECT_EQ("C:\\Acme\\readme.txt", e.path);
    EXPECT_EQ(1u, e.flags);
}

TEST(ExpandPathMacros, UnknownCodeIsLoggedAndSkipped) {
    LogCapture log;
    EXPECT_EQ("C:\\Acme\\x", Expand("C:\\Acme\\", "$9x").path);
    EXPECT_EQ("C:\\Acme\\x", Expand("C:\\Acme\\", "$:x").path);
    EXPECT_TRUE(log.Has("Unknown command '9'\n"));
    EXPECT_TRUE(log.Has("Unknown command ':'\n"));
}

TEST(ExpandPathMacros, ProgramFilesComesFromTheRegistry) {
    LogCapture log;
    std::string path = Expand("", "$0Acme\\").path;
    ASSERT_GE(path.size(), 3u);
    EXPECT_EQ(':', path[1]);
    EXPECT_NE(std::string::npos, path.find("Program Files\\Acme\\"));
    EXPECT_EQ(std::string::npos, path.find("\\\\"));
    EXPECT_TRUE(log.Has("$0 Translates to '" + path.substr(0, path.size() - 5) + "'\n"));
}

TEST(ExpandPathMacros, ExpansionTooLongIsRefusedNotOverflowed) {
    std::string install = "C:\\" + std::string(150, 'i') + "\\";
    std::string text(PATH_MACRO_SIZE - install.size() - 1, 't');
    EXPECT_EQ(1, Expand(install.c_str(), text.c_str()).result);

    LogCapture log;
    text += "t";
    Expansion e = Expand(install.c_str(), text.c_str());
    EXPECT_EQ(0, e.result);
    EXPECT_EQ("", e.path);
    EXPECT_TRUE(log.Has("Path too long '" + text + "'\n"));
}

TEST(NormalizePath, TurnsSlashesAndAddsOneSeparator) {
    char path[16] = "";
    NormalizePath(path, 1);
    EXPECT_STREQ("\\", path);
    StrCopy(path, "a/b\\");
    NormalizePath(path, 1);
    EXPECT_STREQ("a\\b\\", path);
    StrCopy(path, "a/b");
    NormalizePath(path, 0);
    EXPECT_STREQ("a\\b", path);
}

TEST(FolderQueries, EndInABackslashAndHoldNoSlash) {
    for (auto query : {GetWindowsFolder, GetSystemFolder, GetTempFolder, GetCurrentFolder,
                       GetProgramFolder}) {
        std::string folder = Folder(query);
        ASSERT_FALSE(folder.empty());
        EXPECT_EQ('\\', folder.back()) << folder;
        EXPECT_EQ(std::string::npos, folder.find('/')) << folder;
    }
}

}  // namespace
