// The switches of unattended uninstalls and what a silent run's exit status
// makes of the run's outcome.
#include "app/runmode.h"
#include "base/files-left.h"
#include "base/runstyle.h"
#include "script/script.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const int32_t PLAN = RUN_STYLE_PLAN, SILENT = RUN_STYLE_SILENT;

TEST(RunStyle, SwitchesCountOnlyWhereTheyApplyAndAPlanRunsInPlace) {
    struct Case {
        const char* commandLine;
        int32_t style;
        int inPlace;
    } cases[] = {
        {"C:\\uninstall.exe", 0, 0},
        {"C:\\uninstall.exe -Plan", PLAN, 1},
        {"C:\\uninstall.exe -plan -debug", PLAN, 1},
        {"C:\\uninstall.exe -PLANNED", PLAN, 1},   // the start of a longer word counts
        {"C:\\uninstall.exe -Silent", SILENT, 0},
        {"C:\\uninstall.exe -Spawn -silent", SILENT, 1},
        {"C:\\uninstall.exe -Silent -Plan", PLAN | SILENT, 1},
        {"C:\\-Plan\\uninstall.exe", PLAN, 1},     // as with every switch, the path too
        {"C:\\uninstall.exe -Register -Plan -Silent", 0, 0},
        {"C:\\uninstall.exe -Update -Plan", 0, 0},
        {"C:\\uninstall.exe -Update -Plan -Silent", SILENT, 0},
        {"C:\\uninstall.exe -Spawn -update -SILENT", SILENT, 1},
        {"C:\\uninstall.exe -InstReg -Silent", 0, 1},
        {"C:\\uninstall.exe -Silent -closeapps", SILENT | RUN_STYLE_CLOSE_PROGRAMS, 0},
    };
    for (const Case& c : cases) {
        int32_t mode = ChooseRunMode(c.commandLine);
        EXPECT_EQ(ChooseRunStyle(c.commandLine, mode), c.style) << c.commandLine;
        EXPECT_EQ(TakesWorkingRoad(c.commandLine, mode), c.inPlace) << c.commandLine;
    }
}

TEST(RunStyle, ASilentRunsStatusTellsWhatHappened) {
    struct Case {
        const char* what;
        int32_t style;
        int outcome;      // -1: never noted
        int filesLeft;    // the product's files, named by the closing message
        int copies;       // files waiting that are not the product's
        int status;
    } cases[] = {
        {"removed", SILENT, EXIT_REMOVED, 0, 0, 0},
        {"removed, files left", SILENT, EXIT_REMOVED, 2, 0, 3010},
        {"removed, a temporary copy waits", SILENT, EXIT_REMOVED, 0, 1, 3010},
        {"no previous installation", SILENT, EXIT_NO_INSTALLATION, 0, 0, 1605},
        {"elevation declined", SILENT, EXIT_DECLINED, 0, 0, 1602},
        {"stopped before removing", SILENT, -1, 1, 0, 1603},
        {"an elevated copy's status", SILENT, 3010, 0, 0, 3010},
        {"attended runs end with 0", 0, EXIT_NO_INSTALLATION, 0, 0, 0},
        {"attended, stopped", 0, -1, 0, 0, 0},
        {"attended, files left", 0, EXIT_REMOVED, 1, 0, 3010},
        {"attended, a temporary copy waits", 0, EXIT_REMOVED, 0, 1, 0},
        {"attended, an elevated copy left files", 0, 3010, 0, 0, 3010},
        {"a plan ends with 0", PLAN | SILENT, EXIT_REMOVED, 1, 0, 0},
    };
    for (const Case& c : cases) {
        SetRunStyle(c.style);
        if (c.outcome >= 0) NoteUninstallOutcome(c.outcome);
        for (int i = 0; i < c.filesLeft; ++i) NoteFileWaiting("C:\\x", "");
        for (int i = 0; i < c.copies; ++i) NoteFileLeft();
        EXPECT_EQ(RunExitStatus(), c.status) << c.what;
        EXPECT_EQ(FatalExitStatus(), (c.style & SILENT) ? 1603 : 1) << c.what;
    }
    SetRunStyle(0);
}

// The closing message names the first files left, each whole or visibly
// cut, counts the rest, and a file left is a file left for the status too.
TEST(RunStyle, FilesLeftAreNamedUpToTheirCapacityAndCounted) {
    SetRunStyle(0);
    NoteUninstallOutcome(EXIT_REMOVED);
    std::string longPath = "C:\\" + std::string(FILES_LEFT_PATH_SIZE + 40, 'p');
    NoteFileWaiting(longPath.c_str(), "Demo");
    for (int i = 1; i < FILES_LEFT_NAMED + 3; ++i) NoteFileStaying("C:\\x.dll");
    EXPECT_EQ(FilesWaiting(), 1);
    EXPECT_EQ(FilesStaying(), FILES_LEFT_NAMED + 2);
    ASSERT_EQ(FilesNamed(), FILES_LEFT_NAMED);
    const FileLeft* first = NamedFileLeft(0);
    EXPECT_EQ(std::string(first->path).size(), static_cast<size_t>(FILES_LEFT_PATH_SIZE - 1));
    EXPECT_EQ(std::string(first->path).substr(FILES_LEFT_PATH_SIZE - 4), "...");
    EXPECT_STREQ(first->holder, "Demo");
    EXPECT_EQ(first->waits, 1);
    EXPECT_EQ(NamedFileLeft(1)->waits, 0);
    EXPECT_EQ(NamedFileLeft(FILES_LEFT_NAMED), nullptr);
    EXPECT_EQ(RunExitStatus(), EXIT_FILES_LEFT);
    SetRunStyle(0);
    EXPECT_EQ(FilesNamed(), 0);
}

}  // namespace
