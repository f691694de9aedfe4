// Finding the product's running windows by title and class and closing
// them, silently or after asking the user, for a bounded time.
#pragma once

#include "platform/wintypes.h"
#include "script/script.h"

#include <cstdint>

#define WINDOW_TEXT_SIZE 120
#define WINDOW_CLOSE_PASSES 10
#define WINDOW_MINIMUM_WAIT 1000
#define WINDOW_MINIMUM_PAUSE 100

// Close modes of "WINDOW".
#define WINDOW_CLOSE_SILENTLY 0
#define WINDOW_REFUSE_TO_CLOSE 1
#define WINDOW_ASK_TO_CLOSE 2

// What one pass over the top-level windows looks for and what it found.
struct WindowSearch {
    int32_t mode;
    int32_t attempt;          // the pass, from 0
    int32_t cancelled;        // 1 when the user answered No
    int32_t matches;          // matching windows found in this pass
    uint32_t closeTimeout;    // how long a program may take to handle WM_CLOSE
    char message[WINDOW_TEXT_SIZE];
    char className[WINDOW_TEXT_SIZE];
    char title[WINDOW_TEXT_SIZE];
};

// 1 when no matching window is left (or none was open); 0 when some stay
// open through every pass, when mode 1 finds one or when the user declines.
// Empties the restart program when it returns 0 and when nothing matched in
// the first pass. `programText` is only logged.
int CloseProductWindows(InstallScript* settings, int32_t mode, int32_t waitMs,
                        const char* title, const char* className, const char* programText,
                        const char* message);

// The visitor of one pass (`search` is a WindowSearch): nonzero to go on
// with the next window, 0 to stop.
int MatchAndCloseWindow(HWND window, void* search);
