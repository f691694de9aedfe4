// How a run meets the user and the machine. A plan ("-Plan") goes through
// the uninstall as it is, but each action, at the place that would take it,
// reports itself instead. A silent run ("-Silent", of the uninstall or the
// update) asks nothing and shows nothing: questions count as Yes, notices go
// to the log, and the exit status tells what happened, in the convention
// deployment tools read. Process-wide, like the log.
#pragma once

#include <cstdint>

#define RUN_STYLE_PLAN 1
#define RUN_STYLE_SILENT 2
// Unattended, the programs that hold the product's files are closed too
// ("-CloseApps"); an attended run asks the user instead.
#define RUN_STYLE_CLOSE_PROGRAMS 4

// Exit statuses of a silent run.
#define EXIT_REMOVED 0            // removed; for the update: up to date, or updated
#define EXIT_FILES_LEFT 3010      // removed, but files wait for the next restart
#define EXIT_NO_INSTALLATION 1605
#define EXIT_DECLINED 1602        // the user or the system declined (elevation refused)
#define EXIT_FAILED 1603          // any other failure, every fatal error included

void SetRunStyle(int32_t style);
int PlanOnly();
int RunsSilently();
// 1 when nobody answers: no question is asked and no window is shown.
int RunsUnattended();
// 1 when an unattended run may close the programs holding the product's files.
int ClosesProgramsUnattended();

// What the uninstall (or the update) came to: one of the statuses above, or
// the status of an elevated copy that did the work. EXIT_FAILED until set.
void NoteUninstallOutcome(int status);
int UninstallOutcome();
// A file of the product could not be deleted, or waits for a restart.
void NoteFileLeft();
// The process's exit status: in a silent run what happened; else 0, or
// EXIT_FILES_LEFT when the product's files stay or wait for a restart
// (files-left.h: those the closing message names).
int RunExitStatus();
// The status of a fatal end: EXIT_FAILED in a silent run, else 1.
int FatalExitStatus();
