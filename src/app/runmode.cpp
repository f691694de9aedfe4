#include "app/runmode.h"

#include "base/runstyle.h"
#include "base/strings.h"
#include "script/script.h"

static bool HasSwitch(const char* commandLine, const char* name) {
    const char* position = nullptr;
    return StrFindNoCase(commandLine, name, &position) != 0;
}

int32_t ChooseRunMode(const char* commandLine) {
    // Later switches win.
    int32_t mode = MODE_UNINSTALL;
    if (HasSwitch(commandLine, SWITCH_REGISTER)) mode = MODE_REGISTER_STANDALONE;
    if (HasSwitch(commandLine, SWITCH_INSTREG)) mode = MODE_REGISTER_INSTALLER;
    if (HasSwitch(commandLine, SWITCH_UPDATE)) mode = MODE_UPDATE;
    return mode;
}

int32_t ChooseRunStyle(const char* commandLine, int32_t mode) {
    // An update can run unattended (a scheduled task), but has no plan; the
    // registration needs the user's details, so it always asks.
    if (mode != MODE_UNINSTALL && mode != MODE_UPDATE) return 0;
    int32_t style = 0;
    if (mode == MODE_UNINSTALL && HasSwitch(commandLine, SWITCH_PLAN)) style |= RUN_STYLE_PLAN;
    if (HasSwitch(commandLine, SWITCH_SILENT)) style |= RUN_STYLE_SILENT;
    if (HasSwitch(commandLine, SWITCH_CLOSE_APPS)) style |= RUN_STYLE_CLOSE_PROGRAMS;
    return style;
}

int TakesWorkingRoad(const char* commandLine, int32_t mode) {
    // The installer's registration runs in place, whatever else is given.
    if (mode == MODE_REGISTER_INSTALLER) return 1;
    if (ChooseRunStyle(commandLine, mode) & RUN_STYLE_PLAN) return 1;
    return HasSwitch(commandLine, SWITCH_SPAWN) ? 1 : 0;
}
