// The plan of an uninstall ("-Plan"): one line per action on the program's
// standard output, in the order the run takes them, and last a summary with
// the counts. The places that act report here instead of acting.
#pragma once

enum PlanKind {
    PLAN_DELETE_FILE,
    PLAN_REMOVE_FOLDER,
    PLAN_DELETE_SHORTCUT,
    PLAN_REMOVE_GROUP,
    PLAN_REGISTER_COMPONENT,
    PLAN_UNREGISTER_COMPONENT,
    PLAN_CLOSE_WINDOW,
    PLAN_COPY_FILE,
    PLAN_QUEUE_DELETION,
    PLAN_DELETE_KEY,
    PLAN_START_PROGRAM,
    PLAN_KIND_COUNT
};

// Writes "<action> <subject>" and counts the action.
void PlanReport(PlanKind kind, const char* subject);
// A line that is no action: why the run would stop.
void PlanNotice(const char* text);
// "summary: files N, folders N, ...": every count, in the order above.
void PlanSummary();
