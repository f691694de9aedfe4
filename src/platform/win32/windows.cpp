// Win32 backend: top-level windows of other programs, found and asked to
// close.
#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/wide.h"

#include <vector>

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
    // A class name has at most 256 characters.
    wchar_t name[257] = L"";
    if (GetClassNameW(window, name, 257) <= 0) return 0;
    return NarrowInto(name, buffer, size);
}

int PlatGetWindowTitle(HWND window, char* buffer, int size) {
    if (size <= 0) return 0;
    buffer[0] = '\0';
    // Each character takes at least one byte of the caller's: no more are read.
    std::vector<wchar_t> title(static_cast<size_t>(size) + 1, L'\0');
    if (GetWindowTextW(window, title.data(), size + 1) <= 0) return 0;
    return NarrowInto(title.data(), buffer, size);
}

int PlatCloseWindow(HWND window, uint32_t timeoutMs) {
    // A plain SendMessage would wait for ever on a program that no longer
    // handles its messages; a hung one is given up on at once.
    DWORD_PTR answer = 0;
    LRESULT sent = SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                                       timeoutMs, &answer);
    return sent != 0 ? 1 : 0;
}
