// Win32 backend: the in-memory dialog template that the system's dialog
// functions take, made from the portable description of a dialog.
#pragma once

#include <windows.h>

#include "platform/platform.h"

#include <vector>

// A DLGTEMPLATE with its items, as the resource compiler would write the
// same dialog: every control with its class, styles, id, place and text.
// The vector's storage is DWORD-aligned, as the system requires.
std::vector<WORD> BuildDialogTemplate(const DialogTemplate& dialog);
