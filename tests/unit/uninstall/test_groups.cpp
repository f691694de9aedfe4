#include "base/strings.h"
#include "log-capture.h"
#include "platform/platform.h"
#include "uninstall/groups.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Programs() {
    char folder[GROUP_PATH_SIZE];
    EXPECT_EQ(1, PlatGetProgramsFolder(folder, sizeof folder));
    return folder;
}

class Groups : public ::testing::Test {
  protected:
    InstallScript settings = {};
};

TEST_F(Groups, ItemsLieInTheNamedGroupOrDirectlyInThePrograms) {
    char path[GROUP_PATH_SIZE];
    ASSERT_EQ(1, GetItemPath(&settings, path, "Demo"));
    EXPECT_EQ(Programs() + "\\Demo.lnk", std::string(path)) << "no group named yet";

    SetCurrentGroup(&settings, "Tolvane\\Demo");
    ASSERT_EQ(1, GetItemPath(&settings, path, "Read me"));
    EXPECT_EQ(Programs() + "\\Tolvane\\Demo\\Read me.lnk", std::string(path));

    ASSERT_EQ(1, GetGroupFolder("", path));
    EXPECT_EQ(Programs(), std::string(path));
}

TEST_F(Groups, SettingTheGroupLogsItsFolderAndTouchesNothing) {
    LogCapture log;
    SetCurrentGroup(&settings, "Tolvane\\Never Made");
    EXPECT_STREQ(settings.groupName, "Tolvane\\Never Made");
    EXPECT_TRUE(log.Has("Delete Group = '" + Programs() + "\\Tolvane\\Never Made'\n"));
    char folder[GROUP_PATH_SIZE];
    GetGroupFolder(settings.groupName, folder);
    EXPECT_FALSE(PlatFileExists(folder));
}

// A cut path would name another folder or shortcut, which the uninstall run
// would then delete.
TEST_F(Groups, PathsTooLongForTheirBufferAreRefusedWhole) {
    LogCapture log;
    std::string longGroup(GROUP_PATH_SIZE, 'g');
    char path[GROUP_PATH_SIZE] = "untouched";
    EXPECT_EQ(0, GetGroupFolder(longGroup.c_str(), path));
    EXPECT_STREQ(path, "");
    EXPECT_TRUE(log.Has("Path too long '" + longGroup + "'\n"));

    SetCurrentGroup(&settings, "Tolvane");
    std::string longName(GROUP_PATH_SIZE - Programs().size() - 12, 'n');
    EXPECT_EQ(0, GetItemPath(&settings, path, longName.c_str()));
    EXPECT_STREQ(path, "");
    EXPECT_EQ(1, DeleteItem(&settings, "", "", longName.c_str()));
    EXPECT_FALSE(log.Has("Delete file")) << "nothing is deleted for a refused path";
}

}  // namespace
