// POSIX backend: how dialogs look on the terminal. Modal dialogs are listed
// control by control on standard output; a visible modeless window with a
// progress bar is one line on standard error, drawn only on a terminal.
#include "platform/posix/ui-window.h"

#include <cstdio>
#include <unistd.h>

static const int ProgressCells = 30;
static const uint32_t ProgressPacing = 30;  // milliseconds between redraws

static const char* CheckMark(int check) {
    return check == BST_CHECKED ? "[x]" : check == BST_INDETERMINATE ? "[-]" : "[ ]";
}

static void PrintEntries(const PosixControl* control) {
    std::printf("        entries:");
    for (size_t i = 0; i < control->items.size(); i++) {
        std::printf("%s %zu \"%s\"", i == 0 ? "" : ",", i, control->items[i].c_str());
    }
    std::printf("\n");
}

void PrintControl(const PosixControl* control, bool isDefault) {
    const char* text = control->text.c_str();
    const char* disabled = control->enabled ? "" : " (disabled)";
    switch (control->kind) {
    case CONTROL_FRAME:
        return;
    case CONTROL_GROUP:
        std::printf("  -- %s --\n", text);
        return;
    case CONTROL_LABEL:
    case CONTROL_CENTERED_LABEL:
        if (control->id == IDC_STATIC) std::printf("  %s\n", text);
        else std::printf("  [%d] %s\n", control->id, text);
        return;
    case CONTROL_EDIT:
        std::printf("  [%d] edit: \"%s\"%s\n", control->id, text, disabled);
        return;
    case CONTROL_DROPDOWN_LIST:
        std::printf("  [%d] list: \"%s\"%s\n", control->id,
                    control->selection >= 0 ? control->items[control->selection].c_str() : "",
                    disabled);
        PrintEntries(control);
        return;
    case CONTROL_CHECK_BOX:
        std::printf("  [%d] %s %s%s\n", control->id, CheckMark(control->check), text, disabled);
        return;
    case CONTROL_BUTTON:
    case CONTROL_DEFAULT_BUTTON:
        std::printf("  [%d] %s%s%s%s\n", control->id, isDefault ? "<<" : "<", text,
                    isDefault ? ">>" : ">", disabled);
        return;
    case CONTROL_PROGRESS:
        std::printf("  [%d] progress %d of %d\n", control->id, control->position - control->rangeLow,
                    control->rangeHigh - control->rangeLow);
        return;
    }
}

void PrintDialog(const PosixWindow* window) {
    std::printf("=== %s ===\n", window->caption.c_str());
    for (const PosixControl& control : window->controls) {
        PrintControl(&control, control.kind == CONTROL_DEFAULT_BUTTON);
    }
    std::printf("  (ID presses, ID=TEXT types or chooses, ID#N chooses entry N, "
                "empty line: default button, esc, close, show)\n");
    std::fflush(stdout);
}

void FormatProgressLine(const char* caption, int position, int low, int high, char* line,
                        int size) {
    if (line == nullptr || size <= 0) return;
    int span = high - low;
    int done = span > 0 ? position - low : 0;
    if (done < 0) done = 0;
    if (done > span) done = span;
    int percent = span > 0 ? static_cast<int>(static_cast<int64_t>(done) * 100 / span) : 0;
    int cells = span > 0 ? static_cast<int>(static_cast<int64_t>(done) * ProgressCells / span) : 0;
    char bar[ProgressCells + 1];
    for (int i = 0; i < ProgressCells; i++) bar[i] = i < cells ? '#' : '.';
    bar[ProgressCells] = '\0';
    std::snprintf(line, static_cast<size_t>(size), "%s [%s] %3d%%", caption, bar, percent);
}

static const PosixControl* ProgressControl(const PosixWindow* window) {
    for (const PosixControl& control : window->controls) {
        if (control.kind == CONTROL_PROGRESS) return &control;
    }
    return nullptr;
}

void DrawProgressLine(PosixWindow* window, bool force) {
    const PosixControl* control = ProgressControl(window);
    static const bool onTerminal = isatty(STDERR_FILENO) != 0;
    if (control == nullptr || window->modal || !onTerminal) return;
    if (!window->visible) {
        if (force) std::fputs("\r\033[K", stderr);
        return;
    }
    uint32_t now = PlatTickCount();
    if (!force && now - window->lastProgressDraw < ProgressPacing) return;
    window->lastProgressDraw = now;
    char line[256];
    FormatProgressLine(window->caption.c_str(), control->position, control->rangeLow,
                       control->rangeHigh, line, sizeof line);
    std::fprintf(stderr, "\r%s\033[K", line);
    std::fflush(stderr);
}
