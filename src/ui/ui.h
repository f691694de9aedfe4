// User-interface helpers: the two message boxes, dialog controls
// addressed by id, combo boxes, progress bars, window placement, the wait
// window with its progress bar, and running the program's dialogs.
#pragma once

#include "platform/platform.h"
#include "platform/wintypes.h"

#include <cstdint>

#define DEFAULT_QUESTION_CAPTION "Uninstall..."
#define DEFAULT_MESSAGE_CAPTION "Uninstall problem..."

// Yes/No question, system-modal: 0 when the user answered No (or the box
// could not be shown), else 1. Title "Uninstall..." when NULL.
int AskYesNo(const char* text, const char* title);
// Notice with an OK button, task-modal. Title "Uninstall problem..." when
// NULL. Always 1.
int ShowMessage(const char* text, const char* title);

// ---------------------------------------------------------------------------
// Controls. All but DlgItemSend return 1 for success and 0 for failure.

// Sends a Windows control message to control `id` and returns its answer.
intptr_t DlgItemSend(HWND dialog, int id, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Sets the text (0 when that fails), limits what the user may type to
// `limit` characters and selects the whole text.
int DlgSetText(HWND dialog, int id, const char* text, int limit);
// Reads at most capacity - 1 characters and a NUL; always 1.
int DlgGetText(HWND dialog, int id, char* buffer, int capacity);
// state 1 checks, 2 makes indeterminate, anything else unchecks; always 1.
int DlgSetCheck(HWND dialog, int id, int state);
// *state = 1 (checked), 2 (indeterminate) or 0; always 1.
int DlgGetCheck(HWND dialog, int id, int* state);
// Enables the control when flag is 1, disables it otherwise; always 1.
int DlgEnableItem(HWND dialog, int id, int flag);

// Combo boxes.
int ComboReset(HWND dialog, int id);
// Empties the list, adds the texts up to the closing NULL in order (stopping
// at the first one refused) and selects entry 0. A missing control is fatal.
int ComboFill(HWND dialog, int id, ...);
// Copies entry `index` into buffer; 0 when there is no such entry or it
// would not fit capacity - 1 characters (the buffer is then emptied).
int ComboGetItemText(HWND dialog, int id, int index, char* buffer, int capacity);
int ComboSetSelection(HWND dialog, int id, int index);
// Index of the selected entry; with no selection index 0 and result 0.
int ComboGetSelection(HWND dialog, int id, int* index);
// Selects an entry beginning with `text` the way the list searches; 1 when
// some entry equals `text` exactly.
int ComboSelectText(HWND dialog, int id, const char* text);
int ComboGetSelectedText(HWND dialog, int id, char* buffer, int capacity);

// Progress bars run from 0 to 2000; callers speak in percent.
#define PROGRESS_RANGE 2000
int ProgressInit(HWND dialog, int id);
int ProgressSet(HWND dialog, int id, double percentage);
// The bar position of a percentage: times 20, cut toward zero, within range.
int ProgressPosition(double percentage);

// ---------------------------------------------------------------------------
// Window placement. Always 1.

// Moves the window to x, y (and gives it width x height when both are
// positive) unless x, y lies outside the desktop.
int MoveWindowInDesktop(HWND window, int x, int y, int width, int height);
// Centres the window over `other`, or over the desktop when other is NULL.
int CenterWindow(HWND window, HWND other);
// The top-left corner that centres `window` over `other`.
void CenteredCorner(const PlatRect* window, const PlatRect* other, int* x, int* y);

// ---------------------------------------------------------------------------
// Dialogs of the program (ids in ui/dialog-ids.h, their templates in
// ui/dialog-templates.cpp).

// Runs a dialog modally; the result given to DialogEnd, or -1 when it could
// not be shown (also when no template has that id).
intptr_t DialogRun(int templateId, HWND owner, DialogProcedure procedure, void* context);
// Sends the dialog a close request carrying `result`; the dialogs end on it.
int DialogClose(HWND dialog, intptr_t result);
// Ends the dialog with `result` (for the procedure's close event).
int DialogEnd(HWND dialog, intptr_t result);
int DialogSetCaption(HWND dialog, const char* text);
int DialogToForeground(HWND dialog);

// ---------------------------------------------------------------------------
// The wait window: dialog 117 "Please wait..." with progress bar 1012.

int WaitWindowCreate(HWND parent);
int WaitWindowDestroy();
int WaitWindowShow(int flag);
int WaitProgress(double percentage);
// The wait window, NULL outside WaitWindowCreate .. WaitWindowDestroy.
HWND WaitWindowHandle();

// A way out of long work: while allowed, the window's Cancel button (and
// Ctrl-C on the terminal or console) asks to end it; otherwise the button
// is disabled. Allowing again forgets an earlier request.
int WaitWindowAllowCancel(int allow);
// 1 once the user asked to cancel while it was allowed.
int WaitWindowCancelled();
// For waits that block: handles the window's messages and tells whether
// the user asked to cancel (a socket's idle hook).
int WaitWindowPoll();
