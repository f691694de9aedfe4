// The switches of unattended uninstalls and what a silent run's exit status
// makes of the run's outcome.
#include "app/runmode.h"
#include "base/runstyle.h"
#include "script/script.h"

#include <gtest/gtest.h>

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
        int filesLeft;
        int status;
    } cases[] = {
        {"removed", SILENT, EXIT_REMOVED, 0, 0},
        {"removed, files left", SILENT, EXIT_REMOVED, 2, 3010},
        {"no previous installation", SILENT, EXIT_NO_INSTALLATION, 0, 1605},
        {"elevation declined", SILENT, EXIT_DECLINED, 0, 1602},
        {"stopped before removing", SILENT, -1, 1, 1603},
        {"an elevated copy's status", SILENT, 3010, 0, 3010},
        {"attended runs end with 0", 0, EXIT_NO_INSTALLATION, 0, 0},
        {"attended, stopped", 0, -1, 0, 0},
        {"a plan ends with 0", PLAN | SILENT, EXIT_REMOVED, 1, 0},
    };
    for (const Case& c : cases) {
        SetRunStyle(c.style);
        if (c.outcome >= 0) NoteUninstallOutcome(c.outcome);
        for (int i = 0; i < c.filesLeft; ++i) NoteFileLeft();
        EXPECT_EQ(RunExitStatus(), c.status) << c.what;
        EXPECT_EQ(FatalExitStatus(), (c.style & SILENT) ? 1603 : 1) << c.what;
    }
    SetRunStyle(0);
}

}  // namespace
