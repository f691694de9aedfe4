// The "Please wait..." window: a modeless dialog with one progress bar that
// long work shows, advances and hides again. Advancing it is also when the
// program handles the window messages that came in meanwhile.
#include "base/runstyle.h"
#include "platform/platform.h"
#include "system/message-queue.h"
#include "ui/dialog-ids.h"
#include "ui/dialog-templates.h"
#include "ui/ui.h"

static HWND WaitWindow = nullptr;
// Process-wide like the window itself: whether its Cancel button counts now,
// and whether it was pressed.
static bool CancelAllowed = false;
static bool CancelPressed = false;

static int WaitWindowProcedure(HWND dialog, const DialogEvent* event, void*) {
    switch (event->kind) {
    case DIALOG_OPENED:
        ProgressInit(dialog, IDC_WAIT_PROGRESS);
        DlgEnableItem(dialog, IDCANCEL, 0);
        PlatSetForegroundWindow(dialog);
        return 1;
    case DIALOG_COMMAND:
        if (event->control != IDCANCEL) return 0;
        if (CancelAllowed) CancelPressed = true;
        return 1;
    case DIALOG_CLOSE:
        PlatDialogEnd(dialog, event->parameter);
        return 1;
    default:
        return 0;
    }
}

int WaitWindowCreate(HWND parent) {
    WaitWindow =
        PlatDialogCreate(FindDialogTemplate(IDD_WAIT), parent, WaitWindowProcedure, nullptr);
    WaitWindowShow(0);
    return 1;
}

int WaitWindowDestroy() {
    if (WaitWindow != nullptr) PlatDestroyWindow(WaitWindow);
    WaitWindow = nullptr;
    return 1;
}

int WaitWindowShow(int flag) {
    if (WaitWindow == nullptr) return 1;
    // Nobody watches an unattended run.
    if (flag == 1 && RunsUnattended()) return 1;
    if (flag == 1) {
        CenterWindow(WaitWindow, PlatGetWindowParent(WaitWindow));
        PlatShowWindow(WaitWindow, 1);
    } else {
        PlatShowWindow(WaitWindow, 0);
    }
    return 1;
}

int WaitProgress(double percentage) {
    ProgressSet(WaitWindow, IDC_WAIT_PROGRESS, percentage);
    PumpMessages();
    return 1;
}

HWND WaitWindowHandle() { return WaitWindow; }

int WaitWindowAllowCancel(int allow) {
    CancelAllowed = allow == 1;
    CancelPressed = false;
    PlatCatchInterrupt(CancelAllowed ? 1 : 0);
    if (WaitWindow != nullptr) DlgEnableItem(WaitWindow, IDCANCEL, CancelAllowed ? 1 : 0);
    return 1;
}

int WaitWindowCancelled() {
    if (CancelAllowed && PlatInterrupted()) CancelPressed = true;
    return CancelPressed ? 1 : 0;
}

int WaitWindowPoll() {
    PumpMessages();
    return WaitWindowCancelled();
}
