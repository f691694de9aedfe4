// The registration form (dialog 1004) and the e-mail re-entry check (dialog
// 1006). Both work on the session they are given: the form edits its
// details, the check reads them, and both carry its title as their caption
// and as the title of their messages.
#pragma once

#include "platform/platform.h"
#include "register/details.h"

#define AGE_BAND_NONE "----"

// 1 when the user pressed "Register Now!" with valid details (they are then
// in the record and saved), 0 when the user declined or the system closed
// the form, -1 when it could not be shown.
intptr_t RegistrationForm(HWND owner, RegistrationSession* session);
// 1 when the re-entered address matches the record's, 0 on "Cancel".
intptr_t EmailVerification(HWND owner, const RegistrationSession* session);

// The dialogs' procedures, for running the dialogs in tests; `context` is
// the session (the check only reads it).
int RegistrationFormProcedure(HWND dialog, const DialogEvent* event, void* context);
int EmailVerificationProcedure(HWND dialog, const DialogEvent* event, void* context);
