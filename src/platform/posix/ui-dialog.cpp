// POSIX backend: running dialogs on the terminal. A modal dialog is printed
// on standard output and driven by lines on standard input, turned into the
// same commands the Windows controls would send (docs/posix-dialogs.md).
#include "platform/posix/ui-input.h"
#include "platform/posix/ui-window.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <strings.h>

static const int InputCapacity = 4096;

static void Complain(const char* format, int id) {
    std::printf("? ");
    std::printf(format, id);
    std::printf("\n");
}

static int DefaultButtonId(const PosixWindow* window) {
    for (const PosixControl& control : window->controls) {
        if (control.kind == CONTROL_DEFAULT_BUTTON) return control.id;
    }
    return IDOK;
}

static void Click(PosixWindow* window, PosixControl* control) {
    switch (control->kind) {
    case CONTROL_CHECK_BOX:
        control->check = control->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
        DeliverCommand(window, control->id, BN_CLICKED);
        break;
    case CONTROL_BUTTON:
    case CONTROL_DEFAULT_BUTTON:
        DeliverCommand(window, control->id, BN_CLICKED);
        break;
    default:
        Complain("control %d cannot be pressed", control->id);
    }
}

static void Choose(PosixWindow* window, PosixControl* control, size_t index) {
    control->selection = static_cast<int>(index);
    DeliverCommand(window, control->id, CBN_SELCHANGE);
}

static void ChooseText(PosixWindow* window, PosixControl* control, const char* text) {
    for (size_t i = 0; i < control->items.size(); i++) {
        if (strcasecmp(control->items[i].c_str(), text) == 0) return Choose(window, control, i);
    }
    Complain("list %d has no such entry", control->id);
}

static void ChooseIndex(PosixWindow* window, PosixControl* control, const char* number) {
    char* end;
    long index = std::strtol(number, &end, 10);
    if (*number == '\0' || *end != '\0' || index < 0 ||
        static_cast<size_t>(index) >= control->items.size())
        return Complain("list %d has no such entry", control->id);
    Choose(window, control, static_cast<size_t>(index));
}

static void Type(PosixWindow* window, PosixControl* control, const char* text) {
    if (control->kind == CONTROL_DROPDOWN_LIST) return ChooseText(window, control, text);
    if (control->kind != CONTROL_EDIT) return Complain("control %d takes no text", control->id);
    // Typing stops at the control's limit.
    control->text.assign(text);
    if (control->text.size() > static_cast<size_t>(control->textLimit))
        control->text.resize(static_cast<size_t>(control->textLimit));
    DeliverCommand(window, control->id, EN_CHANGE);
}

// "ID", "ID=TEXT" or "ID#N" for control ID.
static void UseControl(PosixWindow* window, const char* line) {
    char* rest;
    errno = 0;
    long id = std::strtol(line, &rest, 10);
    if (rest == line || errno != 0 || (*rest != '\0' && *rest != '=' && *rest != '#')) {
        std::printf("? unknown command\n");
        return;
    }
    PosixControl* control = FindPosixControl(window, static_cast<int>(id));
    if (control == nullptr) return Complain("there is no control %d", static_cast<int>(id));
    if (!control->enabled) return Complain("control %d is disabled", control->id);
    if (*rest == '\0') return Click(window, control);
    if (*rest == '=') return Type(window, control, rest + 1);
    if (control->kind != CONTROL_DROPDOWN_LIST) return Complain("control %d is not a list", control->id);
    ChooseIndex(window, control, rest + 1);
}

static void HandleInputLine(PosixWindow* window, const char* line) {
    if (line[0] == '\0') {
        DeliverCommand(window, DefaultButtonId(window), BN_CLICKED);
    } else if (strcasecmp(line, "esc") == 0) {
        DeliverCommand(window, IDCANCEL, BN_CLICKED);
    } else if (strcasecmp(line, "close") == 0) {
        PlatSendCloseRequest(HandleOf(window), 0);
    } else if (strcasecmp(line, "show") == 0 || line[0] == '?') {
        PrintDialog(window);
    } else {
        UseControl(window, line);
    }
}

// One line of input, or -1 at its end. The prompt names the dialog; input
// that is not typed on a terminal is echoed so transcripts read well.
static int PromptForLine(const PosixWindow* window, char* line, int size) {
    std::printf("%s> ", window->caption.c_str());
    std::fflush(stdout);
    int length = ReadInputLine(line, size);
    if (!InputIsTerminal()) std::printf("%s\n", length < 0 ? "(end of input)" : line);
    return length;
}

intptr_t PlatDialogRun(const DialogTemplate* dialogTemplate, HWND owner,
                       DialogProcedure procedure, void* context) {
    if (dialogTemplate == nullptr) return -1;
    PosixWindow* window = CreatePosixWindow(dialogTemplate, owner, procedure, context, true);
    HWND handle = HandleOf(window);
    DeliverDialogEvent(window, DIALOG_OPENED, 0, 0, 0);
    if (FindPosixWindow(handle) == nullptr) return 0;
    if (!window->ended) {
        window->visible = true;
        PrintDialog(window);
    }
    char line[InputCapacity];
    while (!window->ended) {
        if (PromptForLine(window, line, sizeof line) < 0) {
            // End of input is the system's close request; a dialog that
            // ignores it still ends, since no more input can come.
            PlatSendCloseRequest(handle, 0);
            if (FindPosixWindow(handle) == nullptr) return 0;
            if (!window->ended) PlatDialogEnd(handle, 0);
            break;
        }
        HandleInputLine(window, line);
        if (FindPosixWindow(handle) == nullptr) return 0;
    }
    std::fflush(stdout);
    intptr_t result = window->result;
    DestroyPosixWindow(window);
    return result;
}

HWND PlatDialogCreate(const DialogTemplate* dialogTemplate, HWND owner,
                      DialogProcedure procedure, void* context) {
    if (dialogTemplate == nullptr) return nullptr;
    PosixWindow* window = CreatePosixWindow(dialogTemplate, owner, procedure, context, false);
    HWND handle = HandleOf(window);
    DeliverDialogEvent(window, DIALOG_OPENED, 0, 0, 0);
    return FindPosixWindow(handle) != nullptr ? handle : nullptr;
}

int PlatDialogEnd(HWND dialog, intptr_t result) {
    PosixWindow* window = FindPosixWindow(dialog);
    if (window == nullptr) return 0;
    if (!window->modal) return PlatShowWindow(dialog, 0);
    window->ended = true;
    window->result = result;
    return 1;
}

int PlatSendCloseRequest(HWND dialog, intptr_t parameter) {
    PosixWindow* window = FindPosixWindow(dialog);
    if (window == nullptr) return 0;
    // Unhandled, a dialog's close request becomes the Cancel command.
    if (!DeliverDialogEvent(window, DIALOG_CLOSE, 0, 0, parameter) && FindPosixWindow(dialog) != nullptr)
        DeliverCommand(window, IDCANCEL, BN_CLICKED);
    return 1;
}
