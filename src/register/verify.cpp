// The e-mail re-entry check: the address typed again must match the form's,
// letter case aside.
#include "register/form.h"

#include "base/core.h"
#include "base/strings.h"
#include "register/details.h"
#include "ui/dialog-ids.h"
#include "ui/ui.h"

#define VERIFY_EMAIL_SIZE 120
#define MESSAGE_MISMATCH                                                                           \
    "The email address you entered does not match, please check your email address again"

static void VerifyPressed(HWND dialog, const RegistrationSession* session) {
    char email[VERIFY_EMAIL_SIZE];
    DlgGetText(dialog, IDC_VERIFY_EMAIL, email, sizeof email);
    if (StrEqualNoCase(email, session->details.email)) {
        DialogClose(dialog, 1);
    } else {
        ShowMessage(MESSAGE_MISMATCH, session->title);
    }
}

int EmailVerificationProcedure(HWND dialog, const DialogEvent* event, void* context) {
    auto* session = static_cast<const RegistrationSession*>(context);
    CHECK_POINTER(session);
    switch (event->kind) {
    case DIALOG_OPENED:
        DialogSetCaption(dialog, session->title);
        // Over the desktop, not over the owner.
        CenterWindow(dialog, nullptr);
        DialogToForeground(dialog);
        return 1;
    case DIALOG_COMMAND:
        if (event->control == IDOK) {
            VerifyPressed(dialog, session);
            return 1;
        }
        if (event->control == IDCANCEL) {
            DialogClose(dialog, 0);
            return 1;
        }
        return 0;
    case DIALOG_CLOSE:
        DialogEnd(dialog, event->parameter);
        return 1;
    default:
        return 0;
    }
}

intptr_t EmailVerification(HWND owner, const RegistrationSession* session) {
    CHECK_POINTER(session);
    // The dialog only reads the session; the context is untyped.
    return DialogRun(IDD_EMAIL_VERIFICATION, owner, EmailVerificationProcedure,
                     const_cast<RegistrationSession*>(session));
}
