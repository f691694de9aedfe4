// The program's four dialogs, control by control, in creation (tab) order.
#include "ui/dialog-templates.h"

#include "platform/wintypes.h"
#include "ui/dialog-ids.h"

#define COUNT_OF(array) static_cast<int>(sizeof(array) / sizeof((array)[0]))

static const DialogControl WaitControls[] = {
    {IDC_WAIT_PROGRESS, CONTROL_PROGRESS, "", 5, 5, 190, 10},
    {IDCANCEL, CONTROL_BUTTON, "Cancel", 76, 20, 50, 13},
};

static const DialogControl UpdateControls[] = {
    {IDC_STATIC, CONTROL_FRAME, "", 0, 0, 245, 55},
    {IDC_UPDATE_HEADLINE, CONTROL_CENTERED_LABEL, "", 5, 10, 235, 8},
    {IDC_UPDATE_VERSIONS, CONTROL_CENTERED_LABEL, "", 5, 20, 235, 8},
    {IDC_UPDATE_WEBPAGE, CONTROL_BUTTON, "Connect to webpage", 5, 35, 115, 13},
    {IDC_UPDATE_DOWNLOAD, CONTROL_BUTTON, "Download and install new version", 125, 35, 115, 13},
};

static const DialogControl RegistrationControls[] = {
    {IDC_STATIC, CONTROL_GROUP, "Registration Information", 5, 5, 225, 185},
    {IDC_STATIC, CONTROL_LABEL, "First Name", 10, 15, 55, 10},
    {IDC_REG_FIRST_NAME, CONTROL_EDIT, "", 10, 25, 65, 12},
    {IDC_STATIC, CONTROL_LABEL, "Last Name", 80, 15, 85, 10},
    {IDC_REG_LAST_NAME, CONTROL_EDIT, "", 80, 25, 85, 12},
    {IDC_STATIC, CONTROL_LABEL, "Age", 170, 15, 45, 10},
    {IDC_REG_AGE, CONTROL_DROPDOWN_LIST, "", 170, 25, 55, 165},
    {IDC_STATIC, CONTROL_LABEL, "Street Address (ie, 100 Main Street)", 10, 40, 205, 10},
    {IDC_REG_ADDRESS, CONTROL_EDIT, "", 10, 50, 215, 12},
    {IDC_STATIC, CONTROL_LABEL, "City", 10, 65, 60, 10},
    {IDC_REG_CITY, CONTROL_EDIT, "", 10, 75, 75, 12},
    {IDC_STATIC, CONTROL_LABEL, "State", 90, 65, 20, 10},
    {IDC_REG_STATE, CONTROL_EDIT, "", 90, 75, 30, 12},
    {IDC_STATIC, CONTROL_LABEL, "Country", 125, 65, 30, 10},
    {IDC_REG_COUNTRY, CONTROL_EDIT, "", 125, 75, 55, 12},
    {IDC_STATIC, CONTROL_LABEL, "Zip code", 185, 65, 30, 10},
    {IDC_REG_ZIP, CONTROL_EDIT, "", 185, 75, 40, 12},
    {IDC_STATIC, CONTROL_LABEL, "Email Address (ie, name@example.com)", 10, 90, 125, 10},
    {IDC_REG_EMAIL, CONTROL_EDIT, "", 10, 100, 125, 12},
    {IDC_STATIC, CONTROL_LABEL, "Phone (ie, xxx-xxx-xxxx)", 140, 90, 75, 10},
    {IDC_REG_PHONE, CONTROL_EDIT, "", 140, 100, 85, 12},
    {IDC_STATIC, CONTROL_LABEL, "How did you find out about this program (please be specific)?", 10,
     115, 205, 10},
    {IDC_REG_HOW_FOUND, CONTROL_EDIT, "", 10, 125, 215, 12},
    {IDC_STATIC, CONTROL_GROUP, "Do you wish to be informed of future updates and program news", 10,
     140, 215, 45},
    {IDC_REG_ANSWER_YES, CONTROL_CHECK_BOX,
     "Yes!  I would like to be notified of updates or new releases.", 15, 150, 205, 10},
    {IDC_REG_ANSWER_NO, CONTROL_CHECK_BOX,
     "No!  I do not wish to be notified of updates or new releases.", 15, 160, 200, 10},
    {IDC_REG_ANSWER_ALREADY, CONTROL_CHECK_BOX,
     "Hey!  I'm already subscribed, but thanks for asking.", 15, 170, 200, 10},
    {IDOK, CONTROL_DEFAULT_BUTTON, "Register Now!", 165, 195, 65, 13},
    {IDCANCEL, CONTROL_BUTTON, "Don't Register", 5, 195, 65, 13},
};

static const DialogControl VerificationControls[] = {
    {IDC_STATIC, CONTROL_GROUP, "Email Verification", 5, 5, 135, 65},
    {IDC_STATIC, CONTROL_LABEL, "Please re-enter your email address again for verification...", 10,
     15, 125, 20},
    {IDC_STATIC, CONTROL_LABEL, "Email Address (ie, name@example.com)", 10, 40, 125, 10},
    {IDC_VERIFY_EMAIL, CONTROL_EDIT, "", 10, 50, 125, 12},
    {IDCANCEL, CONTROL_BUTTON, "Cancel", 5, 75, 65, 13},
    {IDOK, CONTROL_DEFAULT_BUTTON, "OK", 75, 75, 65, 13},
};

static const DialogTemplate Templates[] = {
    {IDD_WAIT, "Please wait...", "MS Sans Serif", 8, 202, 38, DIALOG_MODAL_FRAME, WaitControls,
     COUNT_OF(WaitControls)},
    {IDD_UPDATE, "Electronic Update...", "MS Sans Serif", 8, 245, 55,
     DIALOG_MODAL_FRAME | DIALOG_CLOSE_BOX, UpdateControls, COUNT_OF(UpdateControls)},
    {IDD_REGISTRATION, "Registration", "Helv", 8, 237, 215, DIALOG_MODAL_FRAME,
     RegistrationControls, COUNT_OF(RegistrationControls)},
    {IDD_EMAIL_VERIFICATION, "Email Verification", "Helv", 8, 147, 95, DIALOG_MODAL_FRAME,
     VerificationControls, COUNT_OF(VerificationControls)},
};

const DialogTemplate* FindDialogTemplate(int id) {
    for (const DialogTemplate& dialogTemplate : Templates) {
        if (dialogTemplate.id == id) return &dialogTemplate;
    }
    return nullptr;
}

int DialogTemplateCount() { return COUNT_OF(Templates); }

const DialogTemplate* DialogTemplateAt(int index) {
    if (index < 0 || index >= COUNT_OF(Templates)) return nullptr;
    return &Templates[index];
}
