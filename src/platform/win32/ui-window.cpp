// Win32 backend: controls addressed by id, window placement and showing,
// and the thread's message queue.
#include <windows.h>

#include "platform/platform.h"

intptr_t PlatDlgItemSend(HWND dialog, int id, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return SendDlgItemMessageA(dialog, id, message, wParam, lParam);
}

int PlatDlgItemExists(HWND dialog, int id) {
    return dialog != nullptr && GetDlgItem(dialog, id) != nullptr ? 1 : 0;
}

int PlatDlgItemEnable(HWND dialog, int id, int enable) {
    HWND control = GetDlgItem(dialog, id);
    if (control == nullptr) return 0;
    EnableWindow(control, enable ? TRUE : FALSE);
    return 1;
}

int PlatGetWindowRect(HWND window, PlatRect* rect) {
    RECT area;
    if (rect == nullptr || !GetWindowRect(window != nullptr ? window : GetDesktopWindow(), &area))
        return 0;
    rect->left = area.left;
    rect->top = area.top;
    rect->right = area.right;
    rect->bottom = area.bottom;
    return 1;
}

int PlatSetWindowPosition(HWND window, int x, int y, int width, int height, int keepSize) {
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (keepSize == 1 ? SWP_NOSIZE : 0);
    return SetWindowPos(window, nullptr, x, y, width, height, flags) ? 1 : 0;
}

HWND PlatGetWindowParent(HWND window) { return GetParent(window); }

int PlatShowWindow(HWND window, int show) {
    if (!IsWindow(window)) return 0;
    // Its answer is the former visibility, not success.
    ShowWindowAsync(window, show ? SW_SHOW : SW_HIDE);
    return 1;
}

int PlatDestroyWindow(HWND window) { return DestroyWindow(window) ? 1 : 0; }

int PlatSetWindowText(HWND window, const char* text) { return SetWindowTextA(window, text) ? 1 : 0; }

int PlatSetForegroundWindow(HWND window) { return SetForegroundWindow(window) ? 1 : 0; }

int PlatPeekMessage(uint32_t* message) {
    MSG waiting;
    if (!PeekMessageA(&waiting, nullptr, 0, 0, PM_NOREMOVE)) return 0;
    if (message != nullptr) *message = waiting.message;
    return 1;
}

void PlatDispatchMessage() {
    MSG waiting;
    if (!PeekMessageA(&waiting, nullptr, 0, 0, PM_REMOVE)) return;
    TranslateMessage(&waiting);
    DispatchMessageA(&waiting);
}
