// Windows paths at the seam and host paths below it.
#ifndef _WIN32

#include "platform/platform.h"
#include "platform/posix/hostpath.h"
#include "platform/posix/lasterror.h"
#include "test_posix_prefix.h"

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

class PosixPathTest : public PosixPrefixTest {
  protected:
    std::string ToHost(const char* windows) {
        char host[512];
        EXPECT_EQ(HostPathFromWindows(windows, host, sizeof host), 1) << windows;
        return host;
    }
    std::string ToWindows(const std::string& host) {
        char windows[512];
        EXPECT_EQ(WindowsPathFromHost(host.c_str(), windows, sizeof windows), 1) << host;
        return windows;
    }
    void Touch(const std::string& host, int mode = 0644) {
        FILE* file = fopen(host.c_str(), "w");
        ASSERT_NE(file, nullptr) << host;
        fclose(file);
        chmod(host.c_str(), mode);
    }
};

TEST_F(PosixPathTest, DriveCIsTheFolderInsideThePrefix) {
    EXPECT_EQ(ToHost("C:\\windows\\temp\\"), Host("drive_c/windows/temp/"));
    EXPECT_EQ(ToHost("c:/Program Files/Acme"), Host("drive_c/Program Files/Acme"));
    EXPECT_EQ(ToHost("C:\\"), Host("drive_c/"));
    EXPECT_EQ(ToHost("C:"), Host("drive_c/"));
    EXPECT_EQ(ToWindows(Host("drive_c")), "C:\\");
    EXPECT_EQ(ToWindows(Host("drive_c/")), "C:\\");
    EXPECT_EQ(ToWindows(Host("drive_c/Program Files/Acme/")), "C:\\Program Files\\Acme\\");
    EXPECT_EQ(ToWindows(Host("drive_c/a.txt")), "C:\\a.txt");
}

TEST_F(PosixPathTest, EverythingElseIsOnDriveZ) {
    EXPECT_EQ(ToHost("Z:\\tmp\\x.txt"), "/tmp/x.txt");
    EXPECT_EQ(ToHost("z:\\"), "/");
    EXPECT_EQ(ToHost("Z:"), "/");
    EXPECT_EQ(ToWindows("/"), "Z:\\");
    EXPECT_EQ(ToWindows("/usr/share/doc/"), "Z:\\usr\\share\\doc\\");
    // The prefix itself is not on drive C, nor is a sibling named alike.
    EXPECT_EQ(ToWindows(prefix_ + "/drive_cx/a").substr(0, 3), "Z:\\");
    EXPECT_EQ(ToWindows(prefix_).substr(0, 3), "Z:\\");
}

TEST_F(PosixPathTest, DotDotNeverClimbsOutOfTheDrive) {
    EXPECT_EQ(ToHost("C:\\a\\..\\..\\..\\etc\\passwd"), Host("drive_c/etc/passwd"));
    EXPECT_EQ(ToHost("C:\\a\\.\\b\\..\\c"), Host("drive_c/a/c"));
    EXPECT_EQ(ToHost("Z:\\..\\tmp"), "/tmp");
    EXPECT_EQ(ToWindows(Host("drive_c/../drive_c/x")), "C:\\x");
    EXPECT_EQ(ToWindows("/tmp/../../etc//passwd"), "Z:\\etc\\passwd");
}

TEST_F(PosixPathTest, RelativePathsStayRelative) {
    EXPECT_EQ(ToHost("sub\\file.txt"), "sub/file.txt");
    EXPECT_EQ(ToHost("..\\up"), "../up");
    EXPECT_EQ(ToHost(""), "");
    EXPECT_EQ(ToWindows("sub/file.txt"), "sub\\file.txt");
}

TEST_F(PosixPathTest, RootedPathIsOnTheCurrentFolderDrive) {
    EXPECT_EQ(ToHost("\\tmp\\x"), "/tmp/x");
    ASSERT_TRUE(MakeHostFolders(Host("drive_c/work").c_str()));
    ASSERT_EQ(chdir(Host("drive_c/work").c_str()), 0);
    EXPECT_EQ(ToHost("\\tmp\\x"), Host("drive_c/tmp/x"));
    EXPECT_EQ(ToHost("\\"), Host("drive_c/"));
}

TEST_F(PosixPathTest, UnmappedDrivesAndNetworkPathsAreRefused) {
    char host[64] = "junk";
    EXPECT_EQ(HostPathFromWindows("D:\\data", host, sizeof host), 0);
    EXPECT_EQ(PlatLastError(), uint32_t(ERROR_PATH_NOT_FOUND));
    EXPECT_STREQ(host, "");
    EXPECT_EQ(HostPathFromWindows("\\\\server\\share\\x", host, sizeof host), 0);
    EXPECT_EQ(PlatLastError(), uint32_t(ERROR_BAD_NETPATH));
    // The long-path form names the same file.
    EXPECT_EQ(ToHost("\\\\?\\Z:\\tmp"), "/tmp");
}

TEST_F(PosixPathTest, ResultsThatDoNotFitAreRefusedWhole) {
    char small[8];
    EXPECT_EQ(HostPathFromWindows("Z:\\tmp\\longer", small, sizeof small), 0);
    EXPECT_STREQ(small, "");
    EXPECT_EQ(HostPathFromWindows("Z:\\tmp123", small, sizeof small), 1);
    EXPECT_STREQ(small, "/tmp123");
    EXPECT_EQ(HostPathFromWindows("Z:\\tmp1234", small, sizeof small), 0);
    EXPECT_EQ(WindowsPathFromHost("/tmp/longer", small, sizeof small), 0);
    EXPECT_STREQ(small, "");
    std::string huge(5000, 'a');
    char host[260];
    EXPECT_EQ(HostPathFromWindows(("C:\\" + huge).c_str(), host, sizeof host), 0);
    EXPECT_EQ(PlatLastError(), uint32_t(ERROR_FILENAME_EXCED_RANGE));
}

TEST_F(PosixPathTest, ExeFallsBackToTheNativeProgramOnlyForExistingFiles) {
    ASSERT_TRUE(MakeHostFolders(Host("drive_c/bin").c_str()));
    Touch(Host("drive_c/bin/tool"), 0755);
    EXPECT_EQ(ToHost("C:\\bin\\tool.exe"), Host("drive_c/bin/tool"));
    EXPECT_EQ(ToHost("C:\\bin\\tool.EXE"), Host("drive_c/bin/tool"));
    char exact[512];
    ASSERT_EQ(HostPathFromWindowsExact("C:\\bin\\tool.exe", exact, sizeof exact), 1);
    EXPECT_EQ(std::string(exact), Host("drive_c/bin/tool.exe"));
    // A real "tool.exe" wins over the bare name.
    Touch(Host("drive_c/bin/tool.exe"));
    EXPECT_EQ(ToHost("C:\\bin\\tool.exe"), Host("drive_c/bin/tool.exe"));
    // Nothing there at all: the name stays as written.
    EXPECT_EQ(ToHost("C:\\bin\\other.exe"), Host("drive_c/bin/other.exe"));
}

TEST_F(PosixPathTest, ModulePathIsTheRunningFileOnItsDrive) {
    char module[320];
    int length = PlatGetModulePath(module, sizeof module);
    ASSERT_GT(length, 3);
    EXPECT_EQ(length, int(strlen(module)));
    char self[4096];
    ssize_t got = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(got, 0);
    self[got] = '\0';
    EXPECT_EQ(ToHost(module), std::string(self));

    char cut[6];
    EXPECT_EQ(PlatGetModulePath(cut, sizeof cut), 5);
    EXPECT_EQ(std::string(cut), std::string(module, 5));
}

TEST_F(PosixPathTest, MakeHostFoldersCreatesEveryLevel) {
    EXPECT_EQ(MakeHostFolders(Host("a/b/c").c_str()), 1);
    EXPECT_EQ(access(Host("a/b/c").c_str(), F_OK), 0);
    EXPECT_EQ(MakeHostFolders(Host("a/b/c").c_str()), 1);
    Touch(Host("a/file"));
    EXPECT_EQ(MakeHostFolders(Host("a/file").c_str()), 0);
    EXPECT_EQ(MakeHostFolders(Host("a/file/sub").c_str()), 0);
}

} // namespace

#endif
