#include "base/runstyle.h"

static int32_t Style = 0;
static int Outcome = EXIT_FAILED;
static int FilesLeft = 0;

void SetRunStyle(int32_t style) {
    Style = style;
    Outcome = EXIT_FAILED;
    FilesLeft = 0;
}

int PlanOnly() { return (Style & RUN_STYLE_PLAN) != 0 ? 1 : 0; }

int RunsSilently() { return (Style & RUN_STYLE_SILENT) != 0 ? 1 : 0; }

int RunsUnattended() { return Style != 0 ? 1 : 0; }

void NoteUninstallOutcome(int status) { Outcome = status; }

int UninstallOutcome() { return Outcome; }

void NoteFileLeft() { ++FilesLeft; }

int RunExitStatus() {
    if (!RunsSilently() || PlanOnly()) return 0;
    if (Outcome == EXIT_REMOVED && FilesLeft > 0) return EXIT_FILES_LEFT;
    return Outcome;
}

int FatalExitStatus() { return RunsSilently() ? EXIT_FAILED : 1; }
