// Files and folders through the seam, with the Windows error codes that
// the core reads back.
#ifndef _WIN32

#include "platform/platform.h"
#include "platform/posix/lasterror.h"
#include "test_posix_prefix.h"

#include <cstdio>
#include <cstring>
#include <regex>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class PosixFilesTest : public PosixPrefixTest {
  protected:
    void SetUp() override {
        PosixPrefixTest::SetUp();
        ASSERT_EQ(PlatCreateFolder("C:\\work"), 1);
    }
    static void Write(const char* path, const std::string& content) {
        FILE* file = PlatFileOpen(path, "wb");
        ASSERT_NE(file, nullptr) << path;
        fwrite(content.data(), 1, content.size(), file);
        fclose(file);
    }
    static std::string Read(const char* path) {
        FILE* file = PlatFileOpen(path, "rb");
        if (!file)
            return "<none>";
        std::string content;
        char chunk[256];
        size_t got;
        while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
            content.append(chunk, got);
        fclose(file);
        return content;
    }
    static std::set<std::string> List(const char* folder) {
        std::set<std::string> names;
        EXPECT_EQ(PlatListFolder(
                      folder,
                      [](const char* name, void* context) {
                          static_cast<std::set<std::string>*>(context)->insert(name);
                          return 1;
                      },
                      &names),
                  1);
        return names;
    }
};

TEST_F(PosixFilesTest, OpenWritesAndReadsThroughTheMappedPath) {
    Write("C:\\work\\a.txt", "hello");
    EXPECT_EQ(Read("c:/work/a.txt"), "hello");
    // Windows' text mode letter is accepted.
    FILE* file = PlatFileOpen("C:\\work\\a.txt", "at+");
    ASSERT_NE(file, nullptr);
    fputs(" world", file);
    fclose(file);
    EXPECT_EQ(Read("C:\\work\\a.txt"), "hello world");
    uint32_t size = 0;
    EXPECT_EQ(PlatFileSize("C:\\work\\a.txt", &size), 1);
    EXPECT_EQ(size, 11u);
}

TEST_F(PosixFilesTest, MissingFileAndMissingFolderAreToldApart) {
    EXPECT_EQ(PlatFileOpen("C:\\work\\none.txt", "rb"), nullptr);
    EXPECT_EQ(PlatLastError(), uint32_t(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(PlatFileOpen("C:\\nowhere\\none.txt", "rb"), nullptr);
    EXPECT_EQ(PlatLastError(), uint32_t(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(PlatDeleteFile("C:\\work\\none.txt"), 0);
    EXPECT_EQ(PlatLastError(), uint32_t(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(PlatFileExists("C:\\work\\none.txt"), 0);
    uint32_t size = 7;
    EXPECT_EQ(PlatFileSize("C:\\work\\none.txt", &size), 0);
    EXPECT_EQ(size, 7u);
}

TEST_F(PosixFilesTest, FolderCannotBeOpenedOrDeletedAsAFile) {
    EXPECT_EQ(PlatFileOpen("C:\\work", "rb"), nullptr);
    EXPECT_EQ(PlatLastError(), uint32_t(ERROR_ACCESS_DENIED));
    EXPECT_EQ(PlatDeleteFile("C:\\work"), 0);
    EXPECT_EQ(PlatLastError(), uint32_t(ERROR_ACCESS_DENIED));
    EXPECT_EQ(PlatFileExists("C:\\work"), 1);
}

TEST_F(PosixFilesTest, CopyKeepsContentAndModeAndHonoursFailIfExists) {
    Write("C:\\work\\prog", "#!/bin/sh\n");
    chmod(Host("drive_c/work/prog").c_str(), 0755);
    EXPECT_EQ(PlatCopyFile("C:\\work\\prog", "C:\\work\\copy.exe", 1), 1);
    EXPECT_EQ(Read("C:\\work\\copy.exe"), "#!/bin/sh\n");
    struct stat info;
    ASSERT_EQ(stat(Host("drive_c/work/copy.exe").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0755u);

    Write("C:\\work\\other", "x");
    EXPECT_EQ(PlatCopyFile("C:\\work\\other", "C:\\work\\copy.exe", 1), 0);
    EXPECT_EQ(PlatLastError(), uint32_t(ERROR_FILE_EXISTS));
    EXPECT_EQ(Read("C:\\work\\copy.exe"), "#!/bin/sh\n");
    EXPECT_EQ(PlatCopyFile("C:\\work\\other", "C:\\work\\copy.exe", 0), 1);
    EXPECT_EQ(Read("C:\\work\\copy.exe"), "x");
}

TEST_F(PosixFilesTest, CopyOntoItselfFailsAndKeepsTheFile) {
    Write("C:\\work\\self.dat", "precious");
    EXPECT_EQ(PlatCopyFile("C:\\work\\self.dat", "C:\\work\\self.dat", 0), 0);
    EXPECT_EQ(PlatLastError(), uint32_t(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(Read("C:\\work\\self.dat"), "precious");
    // Also when the two names differ but the file is the same.
    ASSERT_EQ(link(Host("drive_c/work/self.dat").c_str(), Host("drive_c/work/alias").c_str()), 0);
    EXPECT_EQ(PlatCopyFile("C:\\work\\alias", "C:\\work\\self.dat", 0), 0);
    EXPECT_EQ(Read("C:\\work\\self.dat"), "precious");
}

TEST_F(PosixFilesTest, CopyOfAMissingFileCreatesNothing) {
    EXPECT_EQ(PlatCopyFile("C:\\work\\none", "C:\\work\\target", 0), 0);
    EXPECT_EQ(PlatLastError(), uint32_t(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(PlatFileExists("C:\\work\\target"), 0);
}

TEST_F(PosixFilesTest, MoveReplacesTheTarget) {
    Write("C:\\work\\new", "new");
    Write("C:\\work\\old", "old");
    EXPECT_EQ(PlatMoveFile("C:\\work\\new", "C:\\work\\old"), 1);
    EXPECT_EQ(Read("C:\\work\\old"), "new");
    EXPECT_EQ(PlatFileExists("C:\\work\\new"), 0);
}

TEST_F(PosixFilesTest, FoldersAreCreatedAndRemovedOneLevelAtATime) {
    EXPECT_EQ(PlatCreateFolder("C:\\work"), 0);
    EXPECT_EQ(PlatLastError(), uint32_t(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(PlatCreateFolder("C:\\missing\\sub"), 0);
    EXPECT_EQ(PlatLastError(), uint32_t(ERROR_PATH_NOT_FOUND));

    ASSERT_EQ(PlatCreateFolder("C:\\work\\sub\\"), 1);
    Write("C:\\work\\sub\\f", "");
    EXPECT_EQ(PlatRemoveFolder("C:\\work\\sub\\"), 0);
    EXPECT_EQ(PlatLastError(), uint32_t(ERROR_DIR_NOT_EMPTY));
    EXPECT_EQ(PlatRemoveFolder("C:\\work\\sub\\f"), 0);
    EXPECT_EQ(PlatLastError(), uint32_t(ERROR_DIRECTORY));
    ASSERT_EQ(PlatDeleteFile("C:\\work\\sub\\f"), 1);
    EXPECT_EQ(PlatRemoveFolder("C:\\work\\sub\\"), 1);
    EXPECT_EQ(PlatFileExists("C:\\work\\sub"), 0);
}

TEST_F(PosixFilesTest, ListingGivesTheDotEntriesLikeWindows) {
    EXPECT_EQ(List("C:\\work\\"), (std::set<std::string>{".", ".."}));
    Write("C:\\work\\a", "");
    ASSERT_EQ(PlatCreateFolder("C:\\work\\b"), 1);
    EXPECT_EQ(List("C:\\work\\"), (std::set<std::string>{".", "..", "a", "b"}));

    int visited = 0;
    EXPECT_EQ(PlatListFolder(
                  "C:\\work\\",
                  [](const char*, void* context) {
                      ++*static_cast<int*>(context);
                      return 0;
                  },
                  &visited),
              1);
    EXPECT_EQ(visited, 1);

    EXPECT_EQ(PlatListFolder(
                  "C:\\work\\a", [](const char*, void*) { return 1; }, nullptr),
              0);
    EXPECT_EQ(PlatListFolder(
                  "C:\\none\\", [](const char*, void*) { return 1; }, nullptr),
              0);
    EXPECT_EQ(PlatLastError(), uint32_t(ERROR_FILE_NOT_FOUND));
}

TEST_F(PosixFilesTest, WellKnownFoldersLieInDriveCAndExist) {
    char folder[320];
    ASSERT_EQ(PlatGetWindowsFolder(folder, sizeof folder), 1);
    EXPECT_STREQ(folder, "C:\\windows");
    ASSERT_EQ(PlatGetSystemFolder(folder, sizeof folder), 1);
    EXPECT_STREQ(folder, "C:\\windows\\system32");
    ASSERT_EQ(PlatGetTempFolder(folder, sizeof folder), 1);
    EXPECT_STREQ(folder, "C:\\windows\\temp\\");
    ASSERT_EQ(PlatGetProgramsFolder(folder, sizeof folder), 1);
    EXPECT_TRUE(std::regex_match(folder, std::regex(R"(C:\\users\\[^\\]+\\Start Menu\\Programs)")))
        << folder;
    EXPECT_EQ(PlatFileExists(folder), 1);
    EXPECT_EQ(access(Host("drive_c/windows/system32").c_str(), F_OK), 0);
    EXPECT_EQ(access(Host("drive_c/windows/temp").c_str(), F_OK), 0);

    char tiny[5] = "junk";
    EXPECT_EQ(PlatGetSystemFolder(tiny, sizeof tiny), 0);
    EXPECT_STREQ(tiny, "");
}

TEST_F(PosixFilesTest, CurrentFolderFollowsSetCurrentFolder) {
    char folder[320];
    ASSERT_EQ(PlatSetCurrentFolder("C:\\work"), 1);
    ASSERT_EQ(PlatGetCurrentFolder(folder, sizeof folder), 1);
    EXPECT_STREQ(folder, "C:\\work");
    // The root of the current drive, as the folder walk uses it.
    ASSERT_EQ(PlatSetCurrentFolder("\\"), 1);
    ASSERT_EQ(PlatGetCurrentFolder(folder, sizeof folder), 1);
    EXPECT_STREQ(folder, "C:\\");
    EXPECT_EQ(PlatSetCurrentFolder("C:\\none"), 0);
    EXPECT_EQ(PlatLastError(), uint32_t(ERROR_FILE_NOT_FOUND));
}

TEST_F(PosixFilesTest, TempFileNamesAreUniqueEmptyFiles) {
    char first[260], second[260];
    ASSERT_EQ(PlatTempFileName("C:\\work\\", "Delete", first), 1);
    ASSERT_EQ(PlatTempFileName("C:\\work", "Del", second), 1);
    std::regex shape(R"(C:\\work\\Del[0-9A-F]{1,4}\.TMP)");
    EXPECT_TRUE(std::regex_match(first, shape)) << first;
    EXPECT_TRUE(std::regex_match(second, shape)) << second;
    EXPECT_STRNE(first, second);
    uint32_t size = 1;
    EXPECT_EQ(PlatFileSize(first, &size), 1);
    EXPECT_EQ(size, 0u);
}

TEST_F(PosixFilesTest, TempFileNameRefusesWhatWouldNotFitAndMissingFolders) {
    char result[260] = "junk";
    std::string deep = "C:\\" + std::string(250, 'd');
    EXPECT_EQ(PlatTempFileName(deep.c_str(), "Del", result), 0);
    EXPECT_EQ(PlatLastError(), uint32_t(ERROR_BUFFER_OVERFLOW));
    EXPECT_STREQ(result, "");
    EXPECT_EQ(PlatTempFileName("C:\\none\\", "Del", result), 0);
    EXPECT_EQ(PlatLastError(), uint32_t(ERROR_PATH_NOT_FOUND));
}

TEST_F(PosixFilesTest, DeleteOnRestartIsNotSupported) {
    Write("C:\\work\\x", "");
    EXPECT_EQ(PlatDeleteOnRestart("C:\\work\\x"), 0);
    EXPECT_EQ(PlatLastError(), uint32_t(ERROR_NOT_SUPPORTED));
    EXPECT_EQ(PlatFileExists("C:\\work\\x"), 1);
}

// The open folder reaches its entries by name only, never follows a link,
// and keeps the ".exe" fallback of full paths.
TEST_F(PosixFilesTest, OpenFolderDeletesItsOwnEntriesOnly) {
    ASSERT_EQ(PlatCreateFolder("C:\\work\\sub"), 1);
    ASSERT_EQ(PlatCreateFolder("C:\\elsewhere"), 1);
    Write("C:\\work\\plain.txt", "x");
    Write("C:\\work\\tool", "x");
    Write("C:\\elsewhere\\target.txt", "kept");
    ASSERT_EQ(symlink(Host("drive_c/elsewhere/target.txt").c_str(),
                      Host("drive_c/work/link.txt").c_str()), 0);
    PlatFolder folder = PlatFolderOpen("C:\\work\\");
    ASSERT_NE(folder, nullptr);
    struct Case {
        const char* name;
        int deleted;
        uint32_t error;
        const char* gone;  // the host entry that must be gone afterwards
    } cases[] = {
        {"plain.txt", 1, 0, "drive_c/work/plain.txt"},
        {"tool.exe", 1, 0, "drive_c/work/tool"},
        {"link.txt", 1, 0, "drive_c/work/link.txt"},
        {"missing.txt", 0, ERROR_FILE_NOT_FOUND, nullptr},
        {"sub", 0, ERROR_ACCESS_DENIED, nullptr},
        {"", 0, ERROR_INVALID_NAME, nullptr},
        {".", 0, ERROR_INVALID_NAME, nullptr},
        {"..", 0, ERROR_INVALID_NAME, nullptr},
        {"sub\\x", 0, ERROR_INVALID_NAME, nullptr},
        {"../elsewhere/target.txt", 0, ERROR_INVALID_NAME, nullptr},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PlatFolderDeleteFile(folder, c.name), c.deleted) << c.name;
        if (!c.deleted) {
            EXPECT_EQ(PlatLastError(), c.error) << c.name;
        }
        struct stat info;
        if (c.gone) {
            EXPECT_NE(lstat(Host(c.gone).c_str(), &info), 0) << c.name;
        }
    }
    EXPECT_EQ(Read("C:\\elsewhere\\target.txt"), "kept");
    EXPECT_EQ(PlatFolderEntryExists(folder, "sub"), 1);
    EXPECT_EQ(PlatFolderEntryExists(folder, "plain.txt"), 0);
    EXPECT_EQ(PlatFolderEntryExists(folder, ".."), 0);
    PlatFolderClose(folder);
}

TEST_F(PosixFilesTest, OpenFolderIsNeverALink) {
    ASSERT_EQ(PlatCreateFolder("C:\\elsewhere"), 1);
    Write("C:\\elsewhere\\target.txt", "kept");
    ASSERT_EQ(symlink(Host("drive_c/elsewhere").c_str(), Host("drive_c/work/linked").c_str()), 0);
    // A dangling link: seen as an entry, though it leads nowhere.
    ASSERT_EQ(symlink("/nowhere", Host("drive_c/work/dangling").c_str()), 0);
    ASSERT_EQ(PlatCreateFolder("C:\\elsewhere\\inner"), 1);
    // Neither the link itself nor a folder reached through it.
    EXPECT_EQ(PlatFolderOpen("C:\\work\\linked\\"), nullptr);
    EXPECT_EQ(PlatFolderOpen("C:\\work\\linked\\inner\\"), nullptr);
    EXPECT_EQ(PlatLastError(), uint32_t(ERROR_ACCESS_DENIED));
    EXPECT_EQ(PlatFolderOpen("C:\\work\\missing\\"), nullptr);
    EXPECT_EQ(PlatLastError(), uint32_t(ERROR_PATH_NOT_FOUND));
    PlatFolder folder = PlatFolderOpen("C:\\work\\");
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(PlatFolderEntryExists(folder, "dangling"), 1);
    EXPECT_EQ(PlatFolderDeleteFile(folder, "linked"), 1);
    PlatFolderClose(folder);
    EXPECT_EQ(Read("C:\\elsewhere\\target.txt"), "kept");
}

} // namespace

#endif
