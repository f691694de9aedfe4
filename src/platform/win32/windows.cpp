// Win32 backend: top-level windows of other programs, found and asked to
// close.
#include <windows.h>

#include "platform/platform.h"

namespace {

struct Enumeration {
    PlatWindowVisitor visit;
    void* context;
};

BOOL CALLBACK VisitTopWindow(HWND window, LPARAM parameter) {
    auto* enumeration = reinterpret_cast<Enumeration*>(parameter);
    return enumeration->visit(window, enumeration->context) != 0 ? TRUE : FALSE;
}

}  // namespace

int PlatEnumTopWindows(PlatWindowVisitor visit, void* context) {
    Enumeration enumeration = {visit, context};
    // EnumWindows reports FALSE also when the visitor stopped it; only an
    // error code tells a failed listing.
    SetLastError(ERROR_SUCCESS);
    if (EnumWindows(VisitTopWindow, reinterpret_cast<LPARAM>(&enumeration))) return 1;
    return GetLastError() == ERROR_SUCCESS ? 1 : 0;
}

int PlatIsWindow(HWND window) { return IsWindow(window) ? 1 : 0; }

int PlatGetClassName(HWND window, char* buffer, int size) {
    if (size <= 0) return 0;
    buffer[0] = '\0';
    int length = GetClassNameA(window, buffer, size);
    return length > 0 ? length : 0;
}

int PlatGetWindowTitle(HWND window, char* buffer, int size) {
    if (size <= 0) return 0;
    buffer[0] = '\0';
    int length = GetWindowTextA(window, buffer, size);
    return length > 0 ? length : 0;
}

int PlatCloseWindow(HWND window, uint32_t timeoutMs) {
    // A plain SendMessage would wait for ever on a program that no longer
    // handles its messages; a hung one is given up on at once.
    DWORD_PTR answer = 0;
    LRESULT sent = SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                                       timeoutMs, &answer);
    return sent != 0 ? 1 : 0;
}
