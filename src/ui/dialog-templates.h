// The program's dialogs as data: every control with its id, kind, text and
// place in dialog units. The Windows resources (platform/win32/dialogs.dlg)
// describe the same dialogs; a test under Wine holds the two together. The
// POSIX backend builds its dialogs from this table.
#pragma once

#include <cstdint>

enum DialogControlKind {
    CONTROL_LABEL,           // static text, left-aligned
    CONTROL_CENTERED_LABEL,  // static text, centred
    CONTROL_FRAME,           // static frame without text
    CONTROL_GROUP,           // group box
    CONTROL_EDIT,            // single-line edit, bordered, scrolling
    CONTROL_DROPDOWN_LIST,   // combo box the user can only choose from
    CONTROL_CHECK_BOX,       // automatic check box
    CONTROL_BUTTON,          // push button
    CONTROL_DEFAULT_BUTTON,  // default push button
    CONTROL_PROGRESS,        // progress bar
};

struct DialogControl {
    int id;  // IDC_STATIC (-1) for controls nobody addresses
    DialogControlKind kind;
    const char* text;
    int16_t x, y, width, height;
};

#define DIALOG_CLOSE_BOX 1    // caption with a system menu and close box
#define DIALOG_MODAL_FRAME 2  // modal dialog frame

struct DialogTemplate {
    int id;
    const char* caption;
    const char* font;
    int fontSize;
    int16_t width, height;
    uint32_t flags;
    const DialogControl* controls;
    int controlCount;
};

// The template with this id, or NULL.
const DialogTemplate* FindDialogTemplate(int id);

// All templates, for walking them in tests and renderers.
int DialogTemplateCount();
const DialogTemplate* DialogTemplateAt(int index);
