// The run mode and the road a process takes, chosen from the full command
// line: switches count anywhere in it, in any letter case, also as the start
// of a longer word, and the program path included.
#pragma once

#include <cstdint>

#define SWITCH_SPAWN "-Spawn"
#define SWITCH_REGISTER "-Register"
#define SWITCH_INSTREG "-InstReg"
#define SWITCH_UPDATE "-Update"
// Only the uninstall knows the plan and -CloseApps; the uninstall and the
// update run silently.
#define SWITCH_PLAN "-Plan"
#define SWITCH_SILENT "-Silent"
#define SWITCH_CLOSE_APPS "-CloseApps"

int32_t ChooseRunMode(const char* commandLine);
// RUN_STYLE_PLAN, RUN_STYLE_SILENT and RUN_STYLE_CLOSE_PROGRAMS (base/runstyle.h) as given.
int32_t ChooseRunStyle(const char* commandLine, int32_t mode);
// 1 when this process does the work itself; 0 when it relocates first.
// A plan changes nothing, so it has no reason to leave its file.
int TakesWorkingRoad(const char* commandLine, int32_t mode);
