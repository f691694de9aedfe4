#include "log-capture.h"
#include "scratch-folder.h"
#include "system/deferdel.h"

#include <gtest/gtest.h>

#include <string>

#ifndef _WIN32
#include "platform/posix/hostpath.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace {

const std::string kHeader = "[Rename]\r\n";

TEST(WininitQueueDelete, NewOrEmptyFileGetsHeaderAndRequest) {
    ScratchFolder scratch;
    std::string ini = scratch.Path("wininit.ini");
    scratch.Path("wininit.ini.lock");
    EXPECT_EQ(1, WininitQueueDelete(ini.c_str(), "C:\\Temp\\DelA.TMP.exe"));
    EXPECT_EQ(kHeader + "NUL=C:\\Temp\\DelA.TMP.exe\r\n", ScratchFolder::Read(ini));

    ScratchFolder::Write(ini, "");
    EXPECT_EQ(1, WininitQueueDelete(ini.c_str(), "C:\\x"));
    EXPECT_EQ(kHeader + "NUL=C:\\x\r\n", ScratchFolder::Read(ini));
}

TEST(WininitQueueDelete, NewestRequestGoesDirectlyUnderTheHeader) {
    ScratchFolder scratch;
    std::string ini = scratch.Path("wininit.ini");
    scratch.Path("wininit.ini.lock");
    ScratchFolder::Write(ini, "[boot]\r\nx=1\r\n[rename]\r\nNUL=C:\\old\r\n");
    WininitQueueDelete(ini.c_str(), "C:\\first");
    WininitQueueDelete(ini.c_str(), "C:\\second");
    WininitQueueDelete(ini.c_str(), "C:\\second");
    EXPECT_EQ("[boot]\r\nx=1\r\n[rename]\r\nNUL=C:\\second\r\nNUL=C:\\second\r\n"
              "NUL=C:\\first\r\nNUL=C:\\old\r\n",
              ScratchFolder::Read(ini));
}

TEST(WininitQueueDelete, HeaderWithBareLineFeedIsNotTheHeader) {
    ScratchFolder scratch;
    std::string ini = scratch.Path("wininit.ini");
    scratch.Path("wininit.ini.lock");
    ScratchFolder::Write(ini, "[Rename]\nNUL=C:\\old\n");
    WininitQueueDelete(ini.c_str(), "C:\\new");
    EXPECT_EQ(kHeader + "NUL=C:\\new\r\n[Rename]\nNUL=C:\\old\n", ScratchFolder::Read(ini));
}

TEST(WininitQueueDelete, FailedRewriteKeepsEveryEarlierRequest) {
    ScratchFolder scratch;
    std::string ini = scratch.Path("wininit.ini");
    std::string blocked = scratch.Path("wininit.ini.lock");
    std::string before = kHeader + "NUL=C:\\queued\r\n";
    ScratchFolder::Write(ini, before);
    // Without its lock the file is not changed.
    ASSERT_TRUE(PlatCreateFolder(blocked.c_str()));

    LogCapture log;
    EXPECT_EQ(0, WininitQueueDelete(ini.c_str(), "C:\\new"));
    EXPECT_EQ(before, ScratchFolder::Read(ini));
    EXPECT_TRUE(log.Has("Unable to open '" + ini + "' in any capacity.\n"));
    PlatRemoveFolder(blocked.c_str());
}

#ifndef _WIN32
// Requests in a file that exists but cannot be read must not be dropped by
// writing a new file in its place. (A socket stands in for such a file: it
// exists, and opening it fails even for a privileged user.)
TEST(WininitQueueDelete, FileThatCannotBeReadIsNeverReplaced) {
    ScratchFolder scratch;
    std::string ini = scratch.Path("wininit.ini");
    scratch.Path("wininit.ini.lock");
    char host[4096];
    ASSERT_TRUE(HostPathFromWindowsExact(ini.c_str(), host, sizeof host));
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    ASSERT_LT(std::string(host).size(), sizeof address.sun_path);
    std::string(host).copy(address.sun_path, sizeof address.sun_path - 1);
    int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    ASSERT_EQ(0, bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address));

    LogCapture log;
    EXPECT_EQ(0, WininitQueueDelete(ini.c_str(), "C:\\new"));
    EXPECT_TRUE(log.Has("Unable to open '" + ini + "' in any capacity.\n"));
    struct stat info;
    ASSERT_EQ(0, stat(host, &info));
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    close(listener);
}
#endif

TEST(WininitQueueDelete, PathTooLongForARequestIsRefused) {
    ScratchFolder scratch;
    std::string ini = scratch.Path("wininit.ini");
    std::string longPath = "C:\\" + std::string(400, 'a');
    EXPECT_EQ(0, WininitQueueDelete(ini.c_str(), longPath.c_str()));
    EXPECT_FALSE(ScratchFolder::Exists(ini));
}

}  // namespace
