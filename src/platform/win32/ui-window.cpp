// Win32 backend: controls addressed by id, window placement and showing,
// and the thread's message queue.
#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/wide.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

const char* TextOf(intptr_t lParam) { return reinterpret_cast<const char*>(lParam); }

// The control's whole text; a combo box's entry `index` in UTF-8.
std::wstring ControlText(HWND control) {
    const LRESULT length = SendMessageW(control, WM_GETTEXTLENGTH, 0, 0);
    std::vector<wchar_t> text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    SendMessageW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    return std::wstring(text.data());
}

bool EntryText(HWND control, uintptr_t index, std::string* entry) {
    const LRESULT length = SendMessageW(control, CB_GETLBTEXTLEN, index, 0);
    if (length < 0) return false;
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1, L'\0');
    if (SendMessageW(control, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data())) < 0)
        return false;
    *entry = Narrow(text.data());
    return true;
}

// The messages that carry a text carry UTF-8 for the core and UTF-16 for
// the control; their lengths and capacities count the core's bytes.
bool SendTextMessage(HWND control, uint32_t message, uintptr_t wParam, intptr_t lParam,
                     intptr_t* answer) {
    std::string text;
    switch (message) {
    case WM_SETTEXT:
    case CB_ADDSTRING:
    case CB_SELECTSTRING:
    case CB_FINDSTRINGEXACT:
        *answer = SendMessageW(control, message, wParam,
                               reinterpret_cast<LPARAM>(Widen(TextOf(lParam)).c_str()));
        return true;
    case WM_GETTEXTLENGTH:
        *answer = static_cast<intptr_t>(Narrow(ControlText(control).c_str()).size());
        return true;
    case WM_GETTEXT:
        *answer = NarrowInto(ControlText(control).c_str(), reinterpret_cast<char*>(lParam),
                             static_cast<int>(wParam));
        return true;
    case CB_GETLBTEXTLEN:
        *answer = EntryText(control, wParam, &text) ? static_cast<intptr_t>(text.size()) : CB_ERR;
        return true;
    case CB_GETLBTEXT:
        // Like the system's, the caller made room for the whole entry.
        if (!EntryText(control, wParam, &text)) {
            *answer = CB_ERR;
        } else {
            std::memcpy(reinterpret_cast<char*>(lParam), text.c_str(), text.size() + 1);
            *answer = static_cast<intptr_t>(text.size());
        }
        return true;
    default:
        return false;
    }
}

}  // namespace

intptr_t PlatDlgItemSend(HWND dialog, int id, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    HWND control = GetDlgItem(dialog, id);
    intptr_t answer = 0;
    if (control != nullptr && SendTextMessage(control, message, wParam, lParam, &answer)) return answer;
    return SendDlgItemMessageW(dialog, id, message, wParam, lParam);
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

int PlatSetWindowText(HWND window, const char* text) { return SetWindowTextW(window, Widen(text).c_str()) ? 1 : 0; }

int PlatSetForegroundWindow(HWND window) { return SetForegroundWindow(window) ? 1 : 0; }

int PlatPeekMessage(uint32_t* message) {
    MSG waiting;
    if (!PeekMessageW(&waiting, nullptr, 0, 0, PM_NOREMOVE)) return 0;
    if (message != nullptr) *message = waiting.message;
    return 1;
}

void PlatDispatchMessage() {
    MSG waiting;
    if (!PeekMessageW(&waiting, nullptr, 0, 0, PM_REMOVE)) return;
    TranslateMessage(&waiting);
    DispatchMessageW(&waiting);
}
