// POSIX backend: the in-memory windows and controls that stand in for
// Windows dialogs. A HWND on POSIX is the address of a PosixWindow that
// lives in the table of ui-window.cpp; handles not in the table are refused.
#pragma once

#include "platform/platform.h"

#include <string>
#include <vector>

struct PosixControl {
    int id = 0;
    DialogControlKind kind = CONTROL_LABEL;
    std::string text;
    int textLimit = 30000;
    int check = 0;
    bool enabled = true;
    std::vector<std::string> items;  // combo boxes
    int selection = -1;
    int rangeLow = 0, rangeHigh = 100, position = 0;  // progress bars
    PlatRect rect = {0, 0, 0, 0};
};

struct PosixWindow {
    std::string caption;
    PlatRect rect = {0, 0, 0, 0};
    HWND owner = nullptr;
    bool modal = false;
    bool visible = false;
    bool ended = false;
    intptr_t result = 0;
    DialogProcedure procedure = nullptr;
    void* context = nullptr;
    std::vector<PosixControl> controls;
    uint32_t lastProgressDraw = 0;
};

// The notional desktop, in pixels.
#define POSIX_DESKTOP_WIDTH 1024
#define POSIX_DESKTOP_HEIGHT 768

// A new window built from a template, entered in the table; not yet opened.
PosixWindow* CreatePosixWindow(const DialogTemplate* dialogTemplate, HWND owner,
                               DialogProcedure procedure, void* context, bool modal);
// Removes the window from the table and frees it.
void DestroyPosixWindow(PosixWindow* window);
// The live window behind a handle, or NULL.
PosixWindow* FindPosixWindow(HWND handle);
PosixControl* FindPosixControl(PosixWindow* window, int id);
inline HWND HandleOf(PosixWindow* window) { return reinterpret_cast<HWND>(window); }

// Hands an event to the window's procedure; its answer, 0 when it has none.
int DeliverDialogEvent(PosixWindow* window, int kind, int control, int code, intptr_t parameter);
// A control was used: sends the command to the procedure.
void DeliverCommand(PosixWindow* window, int control, int code);

// Terminal rendering (ui-render.cpp).
void PrintDialog(const PosixWindow* window);
void PrintControl(const PosixControl* control, bool isDefault);
// Redraws the progress line of a visible window on standard error when it
// is a terminal, at most every 30 ms unless `force`; a hidden window's line
// is erased.
void DrawProgressLine(PosixWindow* window, bool force);
// The progress line's text, e.g. "Please wait... [#####.....]  50%".
void FormatProgressLine(const char* caption, int position, int low, int high, char* line,
                        int size);
