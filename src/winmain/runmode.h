// The run mode and the road a process takes, chosen from the full command
// line: switches count anywhere in it, in any letter case, also as the start
// of a longer word, and the program path included.
#pragma once

#include <cstdint>

#define SWITCH_SPAWN "-Spawn"
#define SWITCH_REGISTER "-Register"
#define SWITCH_INSTREG "-InstReg"
#define SWITCH_UPDATE "-Update"

int32_t ChooseRunMode(const char* commandLine);
// 1 when this process does the work itself; 0 when it relocates first.
int TakesWorkingRoad(const char* commandLine, int32_t mode);
