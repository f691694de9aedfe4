// The program's dialogs as data: every control with its id, kind, text and
// place in dialog units. This is their one description: the user interface
// hands a dialog's template to the backend, which makes the real dialog of
// it (Windows) or its stand-in on the terminal (POSIX).
#pragma once

#include "platform/platform.h"

// The template with this id, or NULL.
const DialogTemplate* FindDialogTemplate(int id);

// All templates, for walking them in tests and renderers.
int DialogTemplateCount();
const DialogTemplate* DialogTemplateAt(int index);
