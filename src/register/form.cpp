// The registration form: filled from the record on opening, the three
// answer boxes kept to at most one ticked, the details checked in a fixed
// order and saved as soon as they are complete.
#include "register/form.h"

#include "base/core.h"
#include "base/strings.h"
#include "register/details.h"
#include "ui/dialog-ids.h"
#include "ui/ui.h"

#define MESSAGE_CHOOSE_UPDATES "You must choose if you wish to receive updates or not."
#define MESSAGE_INCOMPLETE "All fields must be filled in correctly."
#define MESSAGE_BAD_EMAIL "The email address does not appear to be valid."
#define QUESTION_DECLINE "Are you sure you don't want to register?"

// The answer boxes in the order "Register Now!" reads them, each with the
// answer it stands for.
static const struct {
    int id;
    int32_t answer;
} AnswerBoxes[] = {
    {IDC_REG_ANSWER_YES, ANSWER_YES},
    {IDC_REG_ANSWER_ALREADY, ANSWER_ALREADY},
    {IDC_REG_ANSWER_NO, ANSWER_NO},
};

static void OpenForm(HWND dialog, RegistrationSession* session) {
    RegistrationRecord& details = session->details;
    DialogSetCaption(dialog, session->title);

    for (const auto& box : AnswerBoxes)
        DlgSetCheck(dialog, box.id, 0);
    // "Already subscribed" is offered only to a user who answered before.
    if (details.updatesAnswer < 1)
        DlgEnableItem(dialog, IDC_REG_ANSWER_ALREADY, 0);
    for (const auto& box : AnswerBoxes) {
        if (box.answer == details.updatesAnswer)
            DlgSetCheck(dialog, box.id, 1);
    }

    DetailsText texts[DETAILS_TEXT_COUNT];
    for (int i = 0, count = DetailsTexts(&details, texts); i < count; i++) {
        if (texts[i].controlId != 0)
            DlgSetText(dialog, texts[i].controlId, texts[i].text, texts[i].capacity);
    }

    ComboFill(dialog, IDC_REG_AGE, AGE_BAND_NONE, "12 or under", "13 to 17", "18 to 20", "21 to 24",
              "25 to 29", "30 to 34", "35 to 39", "40 to 49", "50 to 59", "60 or over", nullptr);
    if (details.ageBand[0] != '\0')
        ComboSelectText(dialog, IDC_REG_AGE, details.ageBand);

    CenterWindow(dialog, PlatGetWindowParent(dialog));
    DialogToForeground(dialog);
}

// Check boxes that behave as one group: the clicked one keeps its new
// state, the others are cleared.
static void AnswerClicked(HWND dialog, int id) {
    int state = 0;
    DlgGetCheck(dialog, id, &state);
    for (const auto& box : AnswerBoxes)
        DlgSetCheck(dialog, box.id, 0);
    DlgSetCheck(dialog, id, state);
}

static void ReadForm(HWND dialog, RegistrationRecord* details) {
    details->updatesAnswer = ANSWER_NONE;
    for (const auto& box : AnswerBoxes) {
        int state = 0;
        DlgGetCheck(dialog, box.id, &state);
        if (state == 1)
            details->updatesAnswer = box.answer;
    }
    DetailsText texts[DETAILS_TEXT_COUNT];
    for (int i = 0, count = DetailsTexts(details, texts); i < count; i++) {
        if (texts[i].controlId != 0)
            DlgGetText(dialog, texts[i].controlId, texts[i].text, texts[i].capacity);
    }
    ComboGetSelectedText(dialog, IDC_REG_AGE, details->ageBand, sizeof details->ageBand);
}

static bool FormComplete(RegistrationRecord* details) {
    if (StrEqual(details->ageBand, AGE_BAND_NONE))
        return false;
    DetailsText texts[DETAILS_TEXT_COUNT];
    for (int i = 0, count = DetailsTexts(details, texts); i < count; i++) {
        // Blanks count as an entry.
        if (texts[i].controlId != 0 && texts[i].text[0] == '\0')
            return false;
    }
    return true;
}

static void RegisterPressed(HWND dialog, RegistrationSession* session) {
    RegistrationRecord& details = session->details;
    ReadForm(dialog, &details);
    if (details.updatesAnswer == ANSWER_NONE) {
        ShowMessage(MESSAGE_CHOOSE_UPDATES, session->title);
    } else if (!FormComplete(&details)) {
        ShowMessage(MESSAGE_INCOMPLETE, session->title);
    } else if (!IsValidEmail(details.email)) {
        ShowMessage(MESSAGE_BAD_EMAIL, session->title);
    } else {
        DetailsSave(&details);
        DialogClose(dialog, 1);
    }
}

int RegistrationFormProcedure(HWND dialog, const DialogEvent* event, void* context) {
    auto* session = static_cast<RegistrationSession*>(context);
    CHECK_POINTER(session);
    switch (event->kind) {
    case DIALOG_OPENED:
        OpenForm(dialog, session);
        return 1;
    case DIALOG_COMMAND:
        switch (event->control) {
        case IDC_REG_ANSWER_YES:
        case IDC_REG_ANSWER_NO:
        case IDC_REG_ANSWER_ALREADY:
            if (event->code == BN_CLICKED)
                AnswerClicked(dialog, event->control);
            return 1;
        case IDOK:
            RegisterPressed(dialog, session);
            return 1;
        case IDCANCEL:
            if (AskYesNo(QUESTION_DECLINE, session->title))
                DialogClose(dialog, 0);
            return 1;
        default:
            return 0;
        }
    case DIALOG_CLOSE:
        // Our own requests carry the result; the system's carry 0.
        DialogEnd(dialog, event->parameter);
        return 1;
    default:
        return 0;
    }
}

intptr_t RegistrationForm(HWND owner, RegistrationSession* session) {
    CHECK_POINTER(session);
    return DialogRun(IDD_REGISTRATION, owner, RegistrationFormProcedure, session);
}
