#include "system/plan.h"

#include "base/core.h"
#include "platform/platform.h"

#include <cstdio>

#define PLAN_LINE_SIZE 1024

struct PlanKindText {
    const char* action;   // the line's start
    const char* counted;  // its name in the summary
};

static const PlanKindText KindTexts[PLAN_KIND_COUNT] = {
    {"delete file", "files"},
    {"remove folder", "folders"},
    {"delete shortcut", "shortcuts"},
    {"remove group", "groups"},
    {"register component", "registrations"},
    {"unregister component", "unregistrations"},
    {"close window", "windows"},
    {"copy file", "copies"},
    {"queue for deletion at restart", "queued at restart"},
    {"delete registry key", "registry keys"},
    {"start program", "programs"},
};

static int Counts[PLAN_KIND_COUNT];

static void WriteLine(const char* line) {
    PlatReportLine(line);
    LogPrint("Plan: %s\n", line);
}

void PlanReport(PlanKind kind, const char* subject) {
    // Longer than any path the run takes: a line is never cut.
    char line[PLAN_LINE_SIZE];
    snprintf(line, sizeof line, "%s %s", KindTexts[kind].action, subject);
    ++Counts[kind];
    WriteLine(line);
}

void PlanNotice(const char* text) { WriteLine(text); }

void PlanSummary() {
    char line[PLAN_LINE_SIZE] = "summary:";
    int used = 8;
    for (int kind = 0; kind < PLAN_KIND_COUNT; ++kind) {
        used += snprintf(line + used, sizeof line - used, "%s %s %d", kind == 0 ? "" : ",",
                         KindTexts[kind].counted, Counts[kind]);
    }
    WriteLine(line);
}
