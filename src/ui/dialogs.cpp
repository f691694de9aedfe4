// Dialog control helpers: texts, check boxes, enabling, progress bars, and
// running the program's dialogs. Everything is said with Windows control
// messages, which both backends understand.
#include "base/core.h"
#include "platform/platform.h"
#include "ui/dialog-templates.h"
#include "ui/ui.h"

// The text length an edit control allows when no limit is asked for.
static const int DefaultTextLimit = 30000;

intptr_t DlgItemSend(HWND dialog, int id, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return PlatDlgItemSend(dialog, id, message, wParam, lParam);
}

int DlgSetText(HWND dialog, int id, const char* text, int limit) {
    CHECK_POINTER(text);
    if (!DlgItemSend(dialog, id, WM_SETTEXT, 0, reinterpret_cast<intptr_t>(text))) return 0;
    DlgItemSend(dialog, id, EM_LIMITTEXT, static_cast<uintptr_t>(limit > 0 ? limit : DefaultTextLimit),
                0);
    DlgItemSend(dialog, id, EM_SETSEL, 0, -1);
    return 1;
}

int DlgGetText(HWND dialog, int id, char* buffer, int capacity) {
    CHECK_POINTER(buffer);
    if (capacity <= 0) return 1;
    // A missing control writes nothing; the caller still gets a text.
    buffer[0] = '\0';
    DlgItemSend(dialog, id, WM_GETTEXT, static_cast<uintptr_t>(capacity),
                reinterpret_cast<intptr_t>(buffer));
    buffer[capacity - 1] = '\0';
    return 1;
}

int DlgSetCheck(HWND dialog, int id, int state) {
    uintptr_t check = state == 1 ? BST_CHECKED : state == 2 ? BST_INDETERMINATE : BST_UNCHECKED;
    DlgItemSend(dialog, id, BM_SETCHECK, check, 0);
    return 1;
}

int DlgGetCheck(HWND dialog, int id, int* state) {
    CHECK_POINTER(state);
    intptr_t check = DlgItemSend(dialog, id, BM_GETCHECK, 0, 0);
    *state = check == BST_CHECKED ? 1 : check == BST_INDETERMINATE ? 2 : 0;
    return 1;
}

int DlgEnableItem(HWND dialog, int id, int flag) {
    PlatDlgItemEnable(dialog, id, flag == 1 ? 1 : 0);
    return 1;
}

int ProgressPosition(double percentage) {
    // Compared before converting: a huge or undefined percentage must not
    // reach the integer conversion.
    if (!(percentage > 0.0)) return 0;
    if (percentage >= 100.0) return PROGRESS_RANGE;
    return static_cast<int>(percentage * 20.0);
}

int ProgressInit(HWND dialog, int id) {
    DlgItemSend(dialog, id, PBM_SETPOS, 0, 0);
    // PBM_SETRANGE takes the low bound in the low word, the high one above.
    DlgItemSend(dialog, id, PBM_SETRANGE, 0, static_cast<intptr_t>(PROGRESS_RANGE) << 16);
    return 1;
}

int ProgressSet(HWND dialog, int id, double percentage) {
    DlgItemSend(dialog, id, PBM_SETPOS, static_cast<uintptr_t>(ProgressPosition(percentage)), 0);
    return 1;
}

intptr_t DialogRun(int templateId, HWND owner, DialogProcedure procedure, void* context) {
    return PlatDialogRun(FindDialogTemplate(templateId), owner, procedure, context);
}

int DialogClose(HWND dialog, intptr_t result) { return PlatSendCloseRequest(dialog, result); }

int DialogEnd(HWND dialog, intptr_t result) { return PlatDialogEnd(dialog, result); }

int DialogSetCaption(HWND dialog, const char* text) {
    CHECK_POINTER(text);
    return PlatSetWindowText(dialog, text);
}

int DialogToForeground(HWND dialog) { return PlatSetForegroundWindow(dialog); }
