// Placing windows: centred over another window, never off the desktop.
#include "platform/platform.h"
#include "ui/ui.h"

int MoveWindowInDesktop(HWND window, int x, int y, int width, int height) {
    PlatRect desktop;
    if (!PlatGetWindowRect(nullptr, &desktop)) return 1;
    // The desktop's edges count as inside.
    if (x < desktop.left || x > desktop.right || y < desktop.top || y > desktop.bottom) return 1;
    int keepSize = width <= 0 || height <= 0 ? 1 : 0;
    PlatSetWindowPosition(window, x, y, width, height, keepSize);
    return 1;
}

void CenteredCorner(const PlatRect* window, const PlatRect* other, int* x, int* y) {
    int widthDifference = (other->right - other->left) - (window->right - window->left);
    int heightDifference = (other->bottom - other->top) - (window->bottom - window->top);
    // Integer division rounds toward zero, also for a larger window.
    *x = other->left + widthDifference / 2;
    *y = other->top + heightDifference / 2;
}

int CenterWindow(HWND window, HWND other) {
    PlatRect windowRect, otherRect;
    if (!PlatGetWindowRect(window, &windowRect) || !PlatGetWindowRect(other, &otherRect)) return 1;
    int x, y;
    CenteredCorner(&windowRect, &otherRect, &x, &y);
    MoveWindowInDesktop(window, x, y, 0, 0);
    return 1;
}
