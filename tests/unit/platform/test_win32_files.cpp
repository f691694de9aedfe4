// The Win32 backend's file and folder calls against the real file system
// (run under Wine in the Windows build).
#ifdef _WIN32
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

// A fresh folder under the temporary folder, removed with its files.
class Win32Scratch : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        ASSERT_TRUE(PlatGetTempFolder(temp, sizeof(temp)));
        char name[MAX_PATH];
        ASSERT_TRUE(PlatTempFileName(temp, "Tst", name));
        ASSERT_TRUE(PlatDeleteFile(name));
        folder = std::string(name) + ".d\\";
        ASSERT_TRUE(PlatCreateFolder(folder.c_str()));
    }
    void TearDown() override {
        for (const std::string& name : List()) {
            if (name == "." || name == "..") continue;
            std::string path = folder + name;
            if (!PlatDeleteFile(path.c_str())) PlatRemoveFolder(path.c_str());
        }
        PlatRemoveFolder(folder.c_str());
    }
    std::string Path(const char* name) const { return folder + name; }
    void Write(const char* name, const std::string& content) {
        FILE* file = PlatFileOpen(Path(name).c_str(), "wb");
        ASSERT_NE(file, nullptr);
        fwrite(content.data(), 1, content.size(), file);
        fclose(file);
    }
    std::string Read(const char* name) {
        std::string content;
        FILE* file = PlatFileOpen(Path(name).c_str(), "rb");
        if (file == nullptr) return "<missing>";
        char chunk[256];
        size_t got;
        while ((got = fread(chunk, 1, sizeof(chunk), file)) > 0) content.append(chunk, got);
        fclose(file);
        return content;
    }
    std::vector<std::string> List() const {
        std::vector<std::string> names;
        PlatListFolder(folder.c_str(), Collect, &names);
        std::sort(names.begin(), names.end());
        return names;
    }
    static int Collect(const char* name, void* context) {
        static_cast<std::vector<std::string>*>(context)->push_back(name);
        return 1;
    }

    std::string folder;
};

TEST_F(Win32Scratch, TempNamesAreNewEmptyFilesWithThePrefix) {
    char first[MAX_PATH];
    char second[MAX_PATH];
    ASSERT_TRUE(PlatTempFileName(folder.c_str(), "Del", first));
    ASSERT_TRUE(PlatTempFileName(folder.c_str(), "Del", second));
    EXPECT_STRNE(first, second);
    for (const char* name : {first, second}) {
        std::string text(name);
        ASSERT_EQ(text.rfind(folder + "Del", 0), 0u) << text;
        std::string tail = text.substr(folder.size() + 3);
        ASSERT_GE(tail.size(), 5u) << text;
        EXPECT_LE(tail.size(), 8u) << text;
        // Windows and Wine differ in the letter case of digits and extension.
        EXPECT_STRCASEEQ(tail.substr(tail.size() - 4).c_str(), ".TMP") << text;
        EXPECT_EQ(tail.find_first_not_of("0123456789ABCDEFabcdef"), tail.size() - 4) << text;
        uint32_t size = 99;
        EXPECT_TRUE(PlatFileSize(name, &size));
        EXPECT_EQ(size, 0u);
    }
}

TEST_F(Win32Scratch, TempNameInAMissingFolderFails) {
    char name[MAX_PATH] = "";
    EXPECT_FALSE(PlatTempFileName(Path("missing\\").c_str(), "Del", name));
}

TEST_F(Win32Scratch, ListingGivesDotsFilesAndFoldersAndStopsWhenAsked) {
    Write("a.txt", "a");
    Write("b.dat", "bb");
    ASSERT_TRUE(PlatCreateFolder(Path("sub").c_str()));
    EXPECT_EQ(List(), (std::vector<std::string>{".", "..", "a.txt", "b.dat", "sub"}));

    int visits = 0;
    auto stopAtFirst = [](const char*, void* context) {
        ++*static_cast<int*>(context);
        return 0;
    };
    EXPECT_TRUE(PlatListFolder(folder.c_str(), stopAtFirst, &visits));
    EXPECT_EQ(visits, 1);
}

TEST_F(Win32Scratch, ListingAMissingFolderFailsWithTheSystemCode) {
    std::vector<std::string> names;
    EXPECT_FALSE(PlatListFolder(Path("missing\\").c_str(), Collect, &names));
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(PlatLastError() == ERROR_PATH_NOT_FOUND ||
                PlatLastError() == ERROR_FILE_NOT_FOUND)
        << PlatLastError();
}

TEST_F(Win32Scratch, CopyMoveAndDeleteKeepWindowsRules) {
    Write("from.txt", "new");
    Write("to.txt", "old");
    EXPECT_FALSE(PlatCopyFile(Path("from.txt").c_str(), Path("to.txt").c_str(), 1));
    EXPECT_EQ(PlatLastError(), static_cast<uint32_t>(ERROR_FILE_EXISTS));
    EXPECT_EQ(Read("to.txt"), "old");
    EXPECT_TRUE(PlatCopyFile(Path("from.txt").c_str(), Path("to.txt").c_str(), 0));
    EXPECT_EQ(Read("to.txt"), "new");

    Write("moved.txt", "moved");
    EXPECT_TRUE(PlatMoveFile(Path("moved.txt").c_str(), Path("to.txt").c_str()));
    EXPECT_EQ(Read("to.txt"), "moved");
    EXPECT_FALSE(PlatFileExists(Path("moved.txt").c_str()));

    EXPECT_TRUE(PlatDeleteFile(Path("to.txt").c_str()));
    EXPECT_FALSE(PlatDeleteFile(Path("to.txt").c_str()));
    EXPECT_EQ(PlatLastError(), static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
}

TEST_F(Win32Scratch, SizesAndExistence) {
    Write("five.bin", "12345");
    uint32_t size = 0;
    EXPECT_TRUE(PlatFileSize(Path("five.bin").c_str(), &size));
    EXPECT_EQ(size, 5u);
    EXPECT_FALSE(PlatFileSize(Path("none.bin").c_str(), &size));
    EXPECT_TRUE(PlatFileExists(Path("five.bin").c_str()));
    EXPECT_FALSE(PlatFileExists(Path("none.bin").c_str()));
}

TEST_F(Win32Scratch, FoldersAreRemovedOnlyWhenEmpty) {
    ASSERT_TRUE(PlatCreateFolder(Path("full").c_str()));
    Write("full\\x", "x");
    EXPECT_FALSE(PlatRemoveFolder(Path("full").c_str()));
    EXPECT_EQ(PlatLastError(), static_cast<uint32_t>(ERROR_DIR_NOT_EMPTY));
    EXPECT_TRUE(PlatDeleteFile(Path("full\\x").c_str()));
    EXPECT_TRUE(PlatRemoveFolder(Path("full").c_str()));
    EXPECT_FALSE(PlatCreateFolder(Path("a\\b").c_str()));  // no parents are made
}

TEST_F(Win32Scratch, TextModeWritesCarriageReturns) {
    FILE* file = PlatFileOpen(Path("log.txt").c_str(), "at+");
    ASSERT_NE(file, nullptr);
    fputs("one\n", file);
    fclose(file);
    EXPECT_EQ(Read("log.txt"), "one\r\n");
}

TEST_F(Win32Scratch, CurrentFolderFollowsTheSetter) {
    char saved[MAX_PATH];
    ASSERT_TRUE(PlatGetCurrentFolder(saved, sizeof(saved)));
    ASSERT_TRUE(PlatSetCurrentFolder(folder.c_str()));
    char now[MAX_PATH];
    EXPECT_TRUE(PlatGetCurrentFolder(now, sizeof(now)));
    EXPECT_STRCASEEQ((std::string(now) + "\\").c_str(), folder.c_str());
    EXPECT_FALSE(PlatSetCurrentFolder(Path("missing").c_str()));
    ASSERT_TRUE(PlatSetCurrentFolder(saved));
}

TEST_F(Win32Scratch, OpenFolderDeletesItsOwnEntriesOnly) {
    Write("plain.txt", "x");
    ASSERT_TRUE(PlatCreateFolder(Path("sub").c_str()));
    PlatFolder open = PlatFolderOpen(folder.c_str());
    ASSERT_NE(open, nullptr);
    const struct {
        const char* name;
        int deleted;
        DWORD error;
    } cases[] = {
        {"plain.txt", 1, 0},
        {"plain.txt", 0, ERROR_FILE_NOT_FOUND},
        {"..", 0, ERROR_INVALID_NAME},
        {"sub\\x", 0, ERROR_INVALID_NAME},
        {"../x", 0, ERROR_INVALID_NAME},
        {"", 0, ERROR_INVALID_NAME},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PlatFolderDeleteFile(open, c.name), c.deleted) << c.name;
        if (!c.deleted) {
            EXPECT_EQ(GetLastError(), c.error) << c.name;
        }
    }
    EXPECT_EQ(PlatFolderEntryExists(open, "sub"), 1);
    EXPECT_EQ(PlatFolderEntryExists(open, "plain.txt"), 0);
    PlatFolderClose(open);
    EXPECT_EQ(PlatFolderOpen(Path("plain.txt").c_str()), nullptr);
}

// Names outside any ANSI code page, in UTF-8 as the core speaks: Cyrillic,
// CJK and an emoji (a surrogate pair in UTF-16).
const char* const UNICODE_NAMES[] = {
    "\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB4\xD1\x83\xD0\xBA\xD1\x82",  // Продукт
    "\xE8\xA3\xBD\xE5\x93\x81.txt",                                    // 製品.txt
    "Prod\xF0\x9F\x9A\x80",                                              // Prod🚀
};

TEST_F(Win32Scratch, NamesOutsideTheCodePageKeepTheirCharacters) {
    for (const char* name : UNICODE_NAMES) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(PlatCreateFolder(Path(name).c_str()));
        const std::string file = std::string(name) + "\\" + name;
        Write(file.c_str(), name);
        EXPECT_EQ(Read(file.c_str()), name);
        EXPECT_TRUE(PlatFileExists(Path(file.c_str()).c_str()));
        std::vector<std::string> names;
        EXPECT_TRUE(PlatListFolder((Path(name) + "\\").c_str(), Collect, &names));
        EXPECT_EQ(names, (std::vector<std::string>{".", "..", name}));
        PlatFolder open = PlatFolderOpen((Path(name) + "\\").c_str());
        ASSERT_NE(open, nullptr);
        EXPECT_EQ(PlatFolderDeleteFile(open, name), 1);
        PlatFolderClose(open);
        EXPECT_TRUE(PlatRemoveFolder(Path(name).c_str()));
    }
    EXPECT_EQ(List(), (std::vector<std::string>{".", ".."}));
}

// Past MAX_PATH: folders made, a file written, seen, listed, deleted and
// queued for the restart through the long name.
TEST_F(Win32Scratch, PathsPastTheClassicLimitWork) {
    std::vector<std::string> folders;
    std::string path = folder;
    while (path.size() < 300) {
        path += std::string(60, 'd') + "\\";
        folders.push_back(path);
        ASSERT_TRUE(PlatCreateFolder(path.c_str())) << path.size();
    }
    const std::string file = path + UNICODE_NAMES[1];
    FILE* out = PlatFileOpen(file.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    fputs("deep", out);
    fclose(out);
    uint32_t size = 0;
    EXPECT_TRUE(PlatFileSize(file.c_str(), &size));
    EXPECT_EQ(size, 4u);
    std::vector<std::string> names;
    EXPECT_TRUE(PlatListFolder(path.c_str(), Collect, &names));
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", UNICODE_NAMES[1]}));
    EXPECT_TRUE(PlatDeleteOnRestart(file.c_str()));
    EXPECT_TRUE(PlatDeleteFile(file.c_str()));
    EXPECT_FALSE(PlatFileExists(file.c_str()));
    for (auto at = folders.rbegin(); at != folders.rend(); ++at) EXPECT_TRUE(PlatRemoveFolder(at->c_str()));
}

TEST(Win32Registry, TextValuesKeepTheirCharactersAndTheirUtf8Size) {
    HKEY key = nullptr;
    ASSERT_EQ(PlatRegCreateKey(HKEY_CURRENT_USER, "Software\\UninstallTest\\\xE8\xA3\xBD\xE5\x93\x81", &key), 0);
    const std::string path = std::string("C:\\Program Files\\") + UNICODE_NAMES[0] + "\\";
    EXPECT_EQ(PlatRegSetValue(key, "Install Path", REG_SZ, path.data(), uint32_t(path.size())), 0);
    char buffer[64] = "";
    uint32_t type = 0;
    uint32_t size = sizeof buffer;
    EXPECT_EQ(PlatRegQueryValue(key, "Install Path", &type, buffer, &size), 0);
    EXPECT_EQ(type, static_cast<uint32_t>(REG_SZ));
    // In UTF-8 with the NUL the system keeps, as for a text set in ANSI.
    EXPECT_EQ(std::string(buffer, size), path + '\0');
    size = 10;  // too small: the size it needs
    EXPECT_EQ(PlatRegQueryValue(key, "Install Path", &type, buffer, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, path.size() + 1);
    PlatRegCloseKey(key);
    EXPECT_EQ(PlatRegDeleteKey(HKEY_CURRENT_USER, "Software\\UninstallTest\\\xE8\xA3\xBD\xE5\x93\x81"), 0);
    PlatRegDeleteKey(HKEY_CURRENT_USER, "Software\\UninstallTest");
}

}  // namespace
#endif
