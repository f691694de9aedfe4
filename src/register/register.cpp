// The REGISTER procedure: ask, load the details, show the form (again while
// the e-mail check is cancelled), build the payload and send it in phases.
#include "register/register.h"

#include "base/core.h"
#include "base/strings.h"
#include "net/phases.h"
#include "register/details.h"
#include "register/form.h"
#include "register/payload.h"
#include "script/codepage.h"
#include "system/policy.h"
#include "ui/ui.h"

#include <cstdio>

#define QUESTION_RETRY "There was a problem sending your registration, would you like to try again?"
#define MESSAGE_THANKS "Your registration has been successfully sent!  Thank you!"

// The form until the user gives valid details (and, for the mailing list,
// confirms the address) or declines. A form that could not be shown counts
// as declined: nothing the user did not confirm is sent.
static bool DetailsConfirmed(RegistrationSession* session) {
    for (;;) {
        if (RegistrationForm(nullptr, session) != 1)
            return false;
        if (session->details.updatesAnswer != ANSWER_YES)
            return true;
        if (EmailVerification(nullptr, session) == 1)
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

// Builds the payload of the confirmed details and sends it in phases behind
// the wait window; 1 when the server acknowledged it.
static int SendRegistration(RegistrationSession* session, const InstallScript* settings,
                            const char* url, const char* text) {
    WaitProgress(0);
    WaitWindowShow(1);
    char* payload = MEM_ALLOC(char, PAYLOAD_SIZE);
    int32_t length = 0;
    BuildRegistrationPayload(settings, &session->details, text, payload, PAYLOAD_SIZE, &length);
    ScramblePayload(payload, length);
    LogPrint("Send registration to '%s' (%d)\n", url, length);

    // The request line in the bytes the server has always read.
    const int32_t urlSize = StrLength(url) + 1;
    char* storedUrl = MEM_ALLOC(char, urlSize);
    StrCopy(storedUrl, url);
    storedUrl[TextForVendor(settings, "Registration address", storedUrl, urlSize - 1)] = '\0';

    Submission submission = {storedUrl, payload, length};
    int result = RunInPhases("Submission on phase %d\n", QUESTION_RETRY, session->title, AskYesNo,
                             AttemptSubmission, &submission);
    // Subscribed now: the next registration offers "already subscribed".
    if (result == 1 && session->details.updatesAnswer == ANSWER_YES &&
        settings->listServerName[0] != '\0') {
        session->details.updatesAnswer = ANSWER_ALREADY;
        DetailsSave(&session->details);
    }

    MEM_FREE(&payload, PAYLOAD_SIZE);
    MEM_FREE(&storedUrl, urlSize);
    WaitWindowShow(0);
    return result;
}

int RegisterProduct(const char* question, const char* url, const char* text,
                    InstallScript* settings) {
    CHECK_POINTER(question);
    CHECK_POINTER(url);
    CHECK_POINTER(text);
    CHECK_POINTER(settings);
    // An administrator may have turned the registration off: then nothing
    // is asked or sent.
    ProductPolicy policy;
    ReadProductPolicy(settings->companyName, settings->productName, &policy);
    if (policy.disableRegistration) {
        LogPrint("Registration disabled by policy\n");
        return 0;
    }
    RegistrationSession session = {};
    std::snprintf(session.title, sizeof session.title, "%s %s Registration...",
                  settings->companyName, settings->productName);
    if (!AskYesNo(question, session.title))
        return 0;
    if (settings->textField[0] == '\0')
        StrCopy(settings->textField, "REG");

    DetailsLoad(&session.details);
    if (!DetailsConfirmed(&session))
        return 0;
    if (SendRegistration(&session, settings, url, text) != 1)
        return 0;
    ShowMessage(MESSAGE_THANKS, session.title);
    return 1;
}
