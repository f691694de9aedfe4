#include "log-capture.h"
#include "scratch-folder.h"
#include "zunkcore/deferdel.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kHeader = "[Rename]\r\n";

TEST(WininitQueueDelete, NewOrEmptyFileGetsHeaderAndRequest) {
    ScratchFolder scratch;
    std::string ini = scratch.Path("wininit.ini");
    scratch.Path("wininit.ini.new");
    EXPECT_EQ(1, WininitQueueDelete(ini.c_str(), "C:\\Temp\\DelA.TMP.exe"));
    EXPECT_EQ(kHeader + "NUL=C:\\Temp\\DelA.TMP.exe\r\n", ScratchFolder::Read(ini));

    ScratchFolder::Write(ini, "");
    EXPECT_EQ(1, WininitQueueDelete(ini.c_str(), "C:\\x"));
    EXPECT_EQ(kHeader + "NUL=C:\\x\r\n", ScratchFolder::Read(ini));
}

TEST(WininitQueueDelete, NewestRequestGoesDirectlyUnderTheHeader) {
    ScratchFolder scratch;
    std::string ini = scratch.Path("wininit.ini");
    scratch.Path("wininit.ini.new");
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
    scratch.Path("wininit.ini.new");
    ScratchFolder::Write(ini, "[Rename]\nNUL=C:\\old\n");
    WininitQueueDelete(ini.c_str(), "C:\\new");
    EXPECT_EQ(kHeader + "NUL=C:\\new\r\n[Rename]\nNUL=C:\\old\n", ScratchFolder::Read(ini));
}

TEST(WininitQueueDelete, FailedRewriteKeepsEveryEarlierRequest) {
    ScratchFolder scratch;
    std::string ini = scratch.Path("wininit.ini");
    std::string blocked = scratch.Path("wininit.ini.new");
    std::string before = kHeader + "NUL=C:\\queued\r\n";
    ScratchFolder::Write(ini, before);
    // The new content cannot be written where it would go.
    ASSERT_TRUE(PlatCreateFolder(blocked.c_str()));

    LogCapture log;
    EXPECT_EQ(0, WininitQueueDelete(ini.c_str(), "C:\\new"));
    EXPECT_EQ(before, ScratchFolder::Read(ini));
    EXPECT_TRUE(log.Has("Unable to open '" + ini + "' in any capacity.\n"));
    PlatRemoveFolder(blocked.c_str());
}

TEST(WininitQueueDelete, PathTooLongForARequestIsRefused) {
    ScratchFolder scratch;
    std::string ini = scratch.Path("wininit.ini");
    std::string longPath = "C:\\" + std::string(400, 'a');
    EXPECT_EQ(0, WininitQueueDelete(ini.c_str(), longPath.c_str()));
    EXPECT_FALSE(ScratchFolder::Exists(ini));
}

}  // namespace
