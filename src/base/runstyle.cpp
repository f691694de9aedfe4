#include "base/runstyle.h"

#include "base/files-left.h"

static int32_t Style = 0;
static int Outcome = EXIT_FAILED;
static int FilesLeft = 0;

void SetRunStyle(int32_t style) {
    Style = style;
    Outcome = EXIT_FAILED;
    FilesLeft = 0;
    ForgetFilesLeft();
}

int PlanOnly() { return (Style & RUN_STYLE_PLAN) != 0 ? 1 : 0; }

int RunsSilently() { return (Style & RUN_STYLE_SILENT) != 0 ? 1 : 0; }

int RunsUnattended() { return (Style & (RUN_STYLE_PLAN | RUN_STYLE_SILENT)) != 0 ? 1 : 0; }

int ClosesProgramsUnattended() { return (Style & RUN_STYLE_CLOSE_PROGRAMS) != 0 ? 1 : 0; }

void NoteUninstallOutcome(int status) { Outcome = status; }

int UninstallOutcome() { return Outcome; }

void NoteFileLeft() { ++FilesLeft; }

int RunExitStatus() {
    if (PlanOnly()) return 0;
    if (!RunsSilently()) {
        // The product's files left behind are never a plain success, and the
        // closing message names them (temporary copies it does not).
        bool productLeft = FilesWaiting() + FilesStaying() > 0;
        bool filesLeft = Outcome == EXIT_FILES_LEFT || (Outcome == EXIT_REMOVED && productLeft);
        return filesLeft ? EXIT_FILES_LEFT : 0;
    }
    if (Outcome == EXIT_REMOVED && FilesLeft > 0) return EXIT_FILES_LEFT;
    return Outcome;
}

int FatalExitStatus() { return RunsSilently() ? EXIT_FAILED : 1; }
