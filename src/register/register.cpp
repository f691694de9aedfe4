// The REGISTER procedure: ask, load the details, show the form (again while
// the e-mail check is cancelled), build the payload and send it in phases.
#include "register/register.h"

#include "register/details.h"
#include "register/form.h"
#include "register/payload.h"
#include "net/phases.h"
#include "ui/ui.h"
#include "base/core.h"
#include "base/strings.h"

#include <cstdio>

#define QUESTION_RETRY "There was a problem sending your registration, would you like to try again?"
#define MESSAGE_THANKS "Your registration has been successfully sent!  Thank you!"

// The form until the user gives valid details (and, for the mailing list,
// confirms the address) or declines. A form that could not be shown counts
// as declined: nothing the user did not confirm is sent.
static bool DetailsConfirmed() {
    for (;;) {
        if (RegistrationForm(nullptr) != 1)
            return false;
        if (RegistrationDetails.updatesAnswer != ANSWER_YES)
            return true;
        if (EmailVerification(nullptr) == 1)
            return true;
    }
}

struct Submission {
    const char* url;
    const char* payload;
    int32_t length;
};

static int AttemptSubmission(int32_t useProxy, void* context) {
    auto* submission = static_cast<const Submission*>(context);
    return SubmitRegistration(submission->url, useProxy, submission->payload, submission->length);
}

int RegisterProduct(const char* question, const char* url, const char* text,
                    InstallScript* settings) {
    CHECK_POINTER(question);
    CHECK_POINTER(url);
    CHECK_POINTER(text);
    CHECK_POINTER(settings);
    std::snprintf(RegistrationTitle, sizeof RegistrationTitle, "%s %s Registration...",
                  settings->companyName, settings->productName);
    if (!AskYesNo(question, RegistrationTitle))
        return 0;
    if (settings->textField[0] == '\0')
        StrCopy(settings->textField, "REG");

    DetailsLoad(&RegistrationDetails);
    if (!DetailsConfirmed())
        return 0;

    WaitProgress(0);
    WaitWindowShow(1);
    char* payload = MEM_ALLOC(char, PAYLOAD_SIZE);
    int32_t length = 0;
    BuildRegistrationPayload(settings, &RegistrationDetails, text, payload, PAYLOAD_SIZE, &length);
    ScramblePayload(payload, length);
    LogPrint("Send registration to '%s' (%d)\n", url, length);

    Submission submission = {url, payload, length};
    int result = RunInPhases("Submission on phase %d\n", QUESTION_RETRY, RegistrationTitle,
                             AskYesNo, AttemptSubmission, &submission);
    // Subscribed now: the next registration offers "already subscribed".
    if (result == 1 && RegistrationDetails.updatesAnswer == ANSWER_YES &&
        settings->listServerName[0] != '\0') {
        RegistrationDetails.updatesAnswer = ANSWER_ALREADY;
        DetailsSave(&RegistrationDetails);
    }

    MEM_FREE(&payload, PAYLOAD_SIZE);
    WaitWindowShow(0);
    if (result != 1)
        return 0;
    ShowMessage(MESSAGE_THANKS, RegistrationTitle);
    return 1;
}
