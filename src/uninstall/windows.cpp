#include "uninstall/windows.h"

#include "base/core.h"
#include "base/runstyle.h"
#include "base/strings.h"
#include "platform/platform.h"
#include "system/plan.h"
#include "ui/ui.h"

#include <cstdio>

// Class names and titles are read as at most 115 characters.
#define WINDOW_READ_SIZE 116
#define WINDOW_CAPTION_SIZE 32

// Whether the window passes the search's criteria: each criterion that is
// set and can be read must hold, and at least one must have been applied.
static bool Matches(HWND window, const WindowSearch* search) {
    char text[WINDOW_TEXT_SIZE];
    int applied = 0;
    if (search->className[0] != '\0' && PlatGetClassName(window, text, WINDOW_READ_SIZE) > 0) {
        LogPrint("Window CmpClass %d: [%s / %s]\n", search->mode, text, search->className);
        if (!StrEqualNoCase(text, search->className)) return false;
        applied = 1;
    }
    if (search->title[0] != '\0' && PlatGetWindowTitle(window, text, WINDOW_READ_SIZE) > 0) {
        LogPrint("Window CmpName %d: [%s / %s]\n", search->mode, text, search->title);
        if (!StrEqualNoCase(text, search->title)) return false;
        ++applied;
    }
    return applied > 0;
}

// "[title / class]", as the search names the window.
static void NameWindow(const WindowSearch* search, char* name, size_t size) {
    snprintf(name, size, "[%s / %s]", search->title, search->className);
}

static void SendClose(HWND window, const WindowSearch* search) {
    if (PlanOnly()) {
        char name[2 * WINDOW_TEXT_SIZE + 8];
        NameWindow(search, name, sizeof name);
        PlanReport(PLAN_CLOSE_WINDOW, name);
        return;
    }
    // A program that does not answer must not hold the run: its window
    // counts as still open, and a later pass looks again.
    if (!PlatCloseWindow(window, search->closeTimeout)) {
        LogPrint("Window Close timed out %d: [%s / %s]\n", search->mode, search->title,
                 search->className);
    }
}

int MatchAndCloseWindow(HWND window, void* context) {
    auto* search = static_cast<WindowSearch*>(context);
    if (!PlatIsWindow(window)) return 1;
    if (!Matches(window, search)) return 1;

    LogPrint("Window Match %d: [%s / %s]\n", search->mode, search->title, search->className);
    ++search->matches;
    switch (search->mode) {
    case WINDOW_REFUSE_TO_CLOSE:
        if (PlanOnly()) {
            char name[2 * WINDOW_TEXT_SIZE + 8];
            NameWindow(search, name, sizeof name);
            char notice[sizeof name + 48];
            snprintf(notice, sizeof notice, "stop: window %s is open", name);
            PlanNotice(notice);
        }
        ShowMessage(search->message, nullptr);
        return 0;
    case WINDOW_ASK_TO_CLOSE: {
        char caption[WINDOW_CAPTION_SIZE];
        snprintf(caption, sizeof caption, "Attempt #%d", search->attempt + 1);
        LogPrint("Prompt [%s] [%s]\n", search->message, caption);
        if (!AskYesNo(search->message, caption)) {
            search->cancelled = 1;
            return 0;
        }
        LogPrint("Prompt True\n");
        SendClose(window, search);
        return 1;
    }
    default:
        SendClose(window, search);
        return 1;
    }
}

int CloseProductWindows(InstallScript* settings, int32_t mode, int32_t waitMs,
                        const char* title, const char* className, const char* programText,
                        const char* message) {
    CHECK_POINTER(settings);
    if (waitMs < WINDOW_MINIMUM_WAIT) waitMs = WINDOW_MINIMUM_WAIT;
    // Nobody can close the window by hand in a silent run: it is closed
    // as if the user had been asked and said Yes.
    if (RunsSilently() && mode == WINDOW_REFUSE_TO_CLOSE) mode = WINDOW_ASK_TO_CLOSE;
    LogPrint("Find [%d] Windows = '%s' / '%s' [%s]\n", mode, title, className, programText);

    uint32_t pause = static_cast<uint32_t>(waitMs / WINDOW_CLOSE_PASSES);
    if (pause < WINDOW_MINIMUM_PAUSE) pause = WINDOW_MINIMUM_PAUSE;
    for (int32_t pass = 0; pass < WINDOW_CLOSE_PASSES; ++pass) {
        WindowSearch search = {};
        StrCopyN(search.message, message, sizeof search.message);
        StrCopyN(search.className, className, sizeof search.className);
        StrCopyN(search.title, title, sizeof search.title);
        search.attempt = pass;
        search.mode = mode;
        search.closeTimeout = static_cast<uint32_t>(waitMs);
        PlatEnumTopWindows(MatchAndCloseWindow, &search);

        if (search.cancelled == 1) break;
        if (search.matches == 0) {
            // Nothing of the product was running: nothing to start again.
            if (pass == 0) settings->restartProgram[0] = '\0';
            return 1;
        }
        if (mode == WINDOW_REFUSE_TO_CLOSE) break;
        // A plan closes nothing: the windows it asked to close count as gone.
        if (PlanOnly()) return 1;
        PlatSleep(pause);
    }
    settings->restartProgram[0] = '\0';
    return 0;
}
