// POSIX backend: the table of in-memory windows and the window functions of
// the seam (rectangles, moving, showing, captions), plus the message queue,
// which is always empty here.
#include "platform/posix/ui-window.h"

#include <algorithm>

static std::vector<PosixWindow*> LiveWindows;

// Dialog units to pixels for an 8-point dialog font (6 x 13 pixel base).
static int DialogUnitsToX(int units) { return units * 3 / 2; }
static int DialogUnitsToY(int units) { return units * 13 / 8; }

static PlatRect RectFromUnits(int x, int y, int width, int height) {
    PlatRect rect;
    rect.left = DialogUnitsToX(x);
    rect.top = DialogUnitsToY(y);
    rect.right = rect.left + DialogUnitsToX(width);
    rect.bottom = rect.top + DialogUnitsToY(height);
    return rect;
}

static PosixControl ControlFromTemplate(const DialogControl& source) {
    PosixControl control;
    control.id = source.id;
    control.kind = source.kind;
    control.text = source.text != nullptr ? source.text : "";
    control.rect = RectFromUnits(source.x, source.y, source.width, source.height);
    return control;
}

PosixWindow* CreatePosixWindow(const DialogTemplate* dialogTemplate, HWND owner,
                               DialogProcedure procedure, void* context, bool modal) {
    PosixWindow* window = new PosixWindow;
    window->caption = dialogTemplate->caption != nullptr ? dialogTemplate->caption : "";
    window->rect = RectFromUnits(0, 0, dialogTemplate->width, dialogTemplate->height);
    window->owner = FindPosixWindow(owner) != nullptr ? owner : nullptr;
    window->procedure = procedure;
    window->context = context;
    window->modal = modal;
    for (int i = 0; i < dialogTemplate->controlCount; i++) {
        window->controls.push_back(ControlFromTemplate(dialogTemplate->controls[i]));
    }
    LiveWindows.push_back(window);
    return window;
}

void DestroyPosixWindow(PosixWindow* window) {
    auto found = std::find(LiveWindows.begin(), LiveWindows.end(), window);
    if (found == LiveWindows.end()) return;
    LiveWindows.erase(found);
    // Windows it owned lose their owner rather than point at freed memory.
    for (PosixWindow* other : LiveWindows) {
        if (other->owner == HandleOf(window)) other->owner = nullptr;
    }
    delete window;
}

PosixWindow* FindPosixWindow(HWND handle) {
    if (handle == nullptr) return nullptr;
    for (PosixWindow* window : LiveWindows) {
        if (HandleOf(window) == handle) return window;
    }
    return nullptr;
}

PosixControl* FindPosixControl(PosixWindow* window, int id) {
    if (window == nullptr || id == IDC_STATIC) return nullptr;
    for (PosixControl& control : window->controls) {
        if (control.id == id) return &control;
    }
    return nullptr;
}

int DeliverDialogEvent(PosixWindow* window, int kind, int control, int code, intptr_t parameter) {
    if (window->procedure == nullptr) return 0;
    DialogEvent event = {kind, control, code, parameter};
    return window->procedure(HandleOf(window), &event, window->context);
}

void DeliverCommand(PosixWindow* window, int control, int code) {
    DeliverDialogEvent(window, DIALOG_COMMAND, control, code, 0);
}

int PlatGetWindowRect(HWND handle, PlatRect* rect) {
    if (rect == nullptr) return 0;
    if (handle == nullptr) {
        *rect = {0, 0, POSIX_DESKTOP_WIDTH, POSIX_DESKTOP_HEIGHT};
        return 1;
    }
    PosixWindow* window = FindPosixWindow(handle);
    if (window == nullptr) return 0;
    *rect = window->rect;
    return 1;
}

int PlatSetWindowPosition(HWND handle, int x, int y, int width, int height, int keepSize) {
    PosixWindow* window = FindPosixWindow(handle);
    if (window == nullptr) return 0;
    if (keepSize == 1) {
        width = window->rect.right - window->rect.left;
        height = window->rect.bottom - window->rect.top;
    }
    window->rect = {x, y, x + width, y + height};
    return 1;
}

HWND PlatGetWindowParent(HWND handle) {
    PosixWindow* window = FindPosixWindow(handle);
    return window != nullptr ? window->owner : nullptr;
}

int PlatShowWindow(HWND handle, int show) {
    PosixWindow* window = FindPosixWindow(handle);
    if (window == nullptr) return 0;
    bool wasVisible = window->visible;
    window->visible = show != 0;
    if (window->visible != wasVisible) DrawProgressLine(window, true);
    return 1;
}

int PlatDestroyWindow(HWND handle) {
    PosixWindow* window = FindPosixWindow(handle);
    if (window == nullptr) return 0;
    PlatShowWindow(handle, 0);
    DestroyPosixWindow(window);
    return 1;
}

int PlatSetWindowText(HWND handle, const char* text) {
    PosixWindow* window = FindPosixWindow(handle);
    if (window == nullptr || text == nullptr) return 0;
    window->caption = text;
    return 1;
}

int PlatSetForegroundWindow(HWND handle) { return FindPosixWindow(handle) != nullptr ? 1 : 0; }

int PlatPeekMessage(uint32_t*) { return 0; }

void PlatDispatchMessage() {}
