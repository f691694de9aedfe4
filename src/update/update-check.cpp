// The update check as the user meets it: the question, the version
// information in phases (through the proxy, directly, then asking whether
// to try again), the offer, the download in the same phases, the start of
// the new release and the final message.
#include "update/update.h"

#include "base/core.h"
#include "net/phases.h"
#include "system/elevation.h"
#include "system/fileops.h"
#include "ui/ui.h"

#include <cstdio>

#define RELEASE_SUCCESS_EXIT_CODE 1

namespace {

struct CheckRun {
    InstallScript* settings;
    UpdateSession* session;
    char* reply;
};

// A cancelled attempt ends the phases: the user asked for no more.
int Outcome(int result) {
    if (result == 1 || !WaitWindowCancelled())
        return result;
    LogPrint("Cancelled by the user\n");
    return PHASE_CANCELLED;
}

int AttemptVersionInfo(int32_t useProxy, void* context) {
    auto* run = static_cast<CheckRun*>(context);
    return Outcome(FetchVersionInfo(run->settings, run->settings->updateUrl, useProxy,
                                    run->reply, UPDATE_REPLY_SIZE));
}

int AttemptDownload(int32_t useProxy, void* context) {
    auto* run = static_cast<CheckRun*>(context);
    return Outcome(DownloadUpdate(run->settings, run->session, run->session->offer.downloadUrl,
                                  useProxy, run->reply, UPDATE_REPLY_SIZE));
}

// The phases under the wait window, which offers a way out meanwhile.
int RunPhases(const char* phaseLog, const char* retryQuestion, PhaseAttempt attempt,
              CheckRun* run) {
    WaitProgress(0);
    WaitWindowShow(1);
    WaitWindowAllowCancel(1);
    int result = RunInPhases(phaseLog, retryQuestion, UPDATE_CAPTION, AskYesNo, attempt, run);
    WaitWindowAllowCancel(0);
    WaitWindowShow(0);
    return result;
}

void StartNewRelease(const UpdateSession* session) {
    uint32_t exitCode = 0;
    RunProgram(session->savePath, UPDATE_RELEASE_PARAMETERS, 1, &exitCode);
    ShowMessage(exitCode == RELEASE_SUCCESS_EXIT_CODE
                    ? "Successfully updated program to latest version!"
                    : "Error attempting to update, please go to the site for the latest version.",
                UPDATE_CAPTION);
}

} // namespace

// The download replaces files in the product's folder: a product this
// process may not change is updated by an elevated copy, or not at all. 1
// when this process goes on with the download.
static int ElevateForDownload(const InstallScript* settings) {
    uint32_t error = 0;
    int outcome = ElevateIfNeeded(settings->installPath, nullptr, &error);
    if (outcome == ELEVATION_DECLINED) {
        char message[2 * SCRIPT_TEXT_SIZE + 96];
        std::snprintf(message, sizeof message,
                      "Administrator rights are needed to install the new version of %s %s.",
                      settings->companyName, settings->productName);
        ShowMessage(message, UPDATE_CAPTION);
    }
    return outcome == ELEVATION_PROCEED;
}

int CheckForUpdate(InstallScript* settings) {
    CHECK_POINTER(settings);
    if (settings->updateUrl[0] == '\0')
        return 1;
    RemoveLeftoverDownload(settings);

    char question[2 * SCRIPT_TEXT_SIZE + 64];
    std::snprintf(question, sizeof question,
                  "Would you like to check for an update to %s %s electronically?",
                  settings->companyName, settings->productName);
    // The elevated copy was started after the user chose the download.
    if (!RunningElevatedCopy() && !AskYesNo(question, UPDATE_CAPTION))
        return 1;

    char* reply = MEM_ALLOC(char, UPDATE_REPLY_SIZE);
    UpdateSession session = {};
    CheckRun run = {settings, &session, reply};
    int result = RunPhases("Update on phase %d\n",
                           "There was a problem checking with the update server, would you "
                           "like to try again?",
                           AttemptVersionInfo, &run);

    if (result == 1) {
        if (!ParseVersionInfo(settings, reply, &session))
            ShowMessage("Unable to retrieve version info from update server, please check the "
                        "website.",
                        UPDATE_CAPTION);
        if (session.choice == 1 && ElevateForDownload(settings)) {
            result = RunPhases("Update download on phase %d\n",
                               "There was a problem downloading the update, would you like to "
                               "try again?",
                               AttemptDownload, &run);
            if (result == 1)
                StartNewRelease(&session);
        }
    }

    MEM_FREE(&reply, UPDATE_REPLY_SIZE);
    if (result == PHASE_CANCELLED)
        ShowMessage("The update was cancelled.", UPDATE_CAPTION);
    if (result == 0)
        ShowMessage("Unable to contact the update server, please try again later.", UPDATE_CAPTION);
    return 1;
}
