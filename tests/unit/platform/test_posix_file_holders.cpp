// The POSIX stand-ins for files in use and read-only files: holders found
// through /proc and closed by signals, and the write permission given back
// to the folder that holds a name.
#ifndef _WIN32

#include "platform/platform.h"
#include "test_posix_prefix.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class PosixHoldersTest : public PosixPrefixTest {
  protected:
    void SetUp() override {
        PosixPrefixTest::SetUp();
        ASSERT_EQ(PlatCreateFolder("C:\\product"), 1);
        for (const char* name : {"held.dll", "free.txt"}) {
            std::string path = std::string("C:\\product\\") + name;
            FILE* file = PlatFileOpen(path.c_str(), "wb");
            ASSERT_NE(file, nullptr);
            fclose(file);
        }
    }
    void TearDown() override {
        if (child_ > 0) {
            kill(child_, SIGKILL);
            waitpid(child_, nullptr, 0);
        }
        PosixPrefixTest::TearDown();
    }
    // A child that holds the file open until it is ended; it tells it holds
    // it through a pipe.
    void StartHolder(const std::string& hostPath) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        child_ = fork();
        ASSERT_GE(child_, 0);
        if (child_ == 0) {
            int fd = open(hostPath.c_str(), O_RDONLY);
            if (write(ready[1], fd >= 0 ? "1" : "0", 1) != 1) _exit(1);
            for (;;) pause();
        }
        char answer = '0';
        ASSERT_EQ(read(ready[0], &answer, 1), 1);
        ASSERT_EQ(answer, '1');
        close(ready[0]);
        close(ready[1]);
    }
    pid_t child_ = 0;
};

TEST_F(PosixHoldersTest, AHolderIsFoundByItsFileAndClosedGracefully) {
    StartHolder(Host("drive_c/product/held.dll"));
    const char* held[] = {"C:\\product\\held.dll"};
    const char* free[] = {"C:\\product\\free.txt", "C:\\product\\missing.txt"};
    const char* both[] = {"C:\\product\\free.txt", "C:\\product\\held.dll"};
    PlatFileHolder holders[2] = {};
    int found = -1;
    ASSERT_EQ(PlatFindFileHolders(free, 2, holders, 2, &found), 1);
    EXPECT_EQ(found, 0);
    ASSERT_EQ(PlatFindFileHolders(both, 2, holders, 2, &found), 1);
    ASSERT_EQ(found, 1);
    EXPECT_EQ(holders[0].processId, static_cast<uint32_t>(child_));
    char name[64];
    FILE* comm = fopen("/proc/self/comm", "r");
    ASSERT_NE(comm, nullptr);
    ASSERT_NE(fgets(name, sizeof name, comm), nullptr);
    fclose(comm);
    name[strcspn(name, "\n")] = '\0';
    EXPECT_STREQ(holders[0].program, name);   // a fork keeps its parent's name
    // Counted beyond the capacity, never written past it.
    ASSERT_EQ(PlatFindFileHolders(held, 1, holders, 0, &found), 1);
    EXPECT_EQ(found, 1);

    ASSERT_EQ(PlatFindFileHolders(held, 1, holders, 2, &found), 1);
    EXPECT_EQ(PlatCloseFileHolders(holders, 1, 0), 1);
    int status = 0;
    ASSERT_EQ(waitpid(child_, &status, 0), child_);
    child_ = 0;
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    ASSERT_EQ(PlatFindFileHolders(held, 1, holders, 2, &found), 1);
    EXPECT_EQ(found, 0);
}

TEST_F(PosixHoldersTest, ThisProcessIsNoHolder) {
    int fd = open(Host("drive_c/product/held.dll").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    const char* held[] = {"C:\\product\\held.dll"};
    PlatFileHolder holder = {};
    int found = -1;
    EXPECT_EQ(PlatFindFileHolders(held, 1, &holder, 1, &found), 1);
    EXPECT_EQ(found, 0);
    close(fd);
}

// Read-only is the missing write permission of the folder holding a name;
// it is given back there, and never through a link.
TEST_F(PosixHoldersTest, ProtectionIsClearedOnTheHoldingFolderOnly) {
    ASSERT_EQ(PlatCreateFolder("C:\\product\\locked"), 1);
    ASSERT_EQ(PlatCreateFolder("C:\\outside"), 1);
    ASSERT_EQ(symlink(Host("drive_c/outside").c_str(), Host("drive_c/product/jct").c_str()), 0);
    for (const char* folder : {"drive_c/product/locked", "drive_c/outside"})
        ASSERT_EQ(chmod(Host(folder).c_str(), 0555), 0);
    struct Case {
        const char* path;
        int cleared;
        const char* folder;   // whose mode is then looked at
        mode_t mode;
    } cases[] = {
        {"C:\\product\\jct\\x.txt", 0, "drive_c/outside", 0555},
        {"C:\\product\\locked\\x.txt", 1, "drive_c/product/locked", 0755},
        {"C:\\product\\locked\\x.txt", 0, "drive_c/product/locked", 0755},  // nothing left
        {"C:\\product\\locked\\", 0, "drive_c/product", 0755},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PlatClearProtection(c.path), c.cleared) << c.path;
        struct stat info;
        ASSERT_EQ(lstat(Host(c.folder).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, c.mode) << c.path;
    }
    ASSERT_EQ(chmod(Host("drive_c/outside").c_str(), 0755), 0);
}

} // namespace

#endif
