// The update check as the user meets it: the question, the version
// information in phases (through the proxy, directly, then asking whether
// to try again), the offer, the download in the same phases, the start of
// the new release and the final message.
#include "update/update.h"

#include "command/fileops.h"
#include "zunkcore/winhelpr.h"
#include "zunkcore/zunk-core.h"

#include <cstdio>

#define RELEASE_SUCCESS_EXIT_CODE 1

namespace {

typedef int (*PhaseAttempt)(InstallScript* settings, const char* url, int32_t useProxy,
                            char* buffer, int32_t size);

struct PhasedRequest {
    const char* phaseLog;
    const char* retryQuestion;
    PhaseAttempt attempt;
};

// Phase 0 goes through the user's proxy, phase 1 directly, phase 2 asks
// whether to try again, and a Yes starts over with phase 1. The result of
// the last attempt, 0 when the user gave up.
int RunPhases(const PhasedRequest& request, InstallScript* settings, const char* url,
              char* buffer) {
    int phase = 0;
    int result = 0;
    for (;;) {
        LogPrint(request.phaseLog, phase);
        if (phase == 0) {
            result = request.attempt(settings, url, 1, buffer, UPDATE_REPLY_SIZE);
            phase = 1;
        } else if (phase == 1) {
            result = request.attempt(settings, url, 0, buffer, UPDATE_REPLY_SIZE);
            phase = 2;
        } else if (AskYesNo(request.retryQuestion, UPDATE_CAPTION)) {
            phase = 1;
        } else {
            return 0;
        }
        if (result == 1)
            return 1;
    }
}

const PhasedRequest VersionRequest = {
    "Update on phase %d\n",
    "There was a problem checking with the update server, would you like to try again?",
    FetchVersionInfo};

const PhasedRequest DownloadRequest = {
    "Update download on phase %d\n",
    "There was a problem downloading the update, would you like to try again?", DownloadUpdate};

void StartNewRelease() {
    uint32_t exitCode = 0;
    RunProgram(UpdateSavePath, UPDATE_RELEASE_PARAMETERS, 1, &exitCode);
    ShowMessage(exitCode == RELEASE_SUCCESS_EXIT_CODE
                    ? "Successfully updated program to latest version!"
                    : "Error attempting to update, please go to the site for the latest version.",
                UPDATE_CAPTION);
}

} // namespace

int CheckForUpdate(HWND ownerWindow, InstallScript* settings) {
    CHECK_POINTER(settings);
    (void)ownerWindow; // the offer is owned by the record's notify window
    if (settings->updateUrl[0] == '\0')
        return 1;

    char question[2 * SCRIPT_TEXT_SIZE + 64];
    std::snprintf(question, sizeof question,
                  "Would you like to check for an update to %s %s electronically?",
                  settings->companyName, settings->productName);
    if (!AskYesNo(question, UPDATE_CAPTION))
        return 1;

    char* reply = MEM_ALLOC(char, UPDATE_REPLY_SIZE);
    UpdateChoice = 0;
    WaitProgress(0);
    WaitWindowShow(1);
    int result = RunPhases(VersionRequest, settings, settings->updateUrl, reply);
    WaitWindowShow(0);

    if (result == 1) {
        if (!ParseVersionInfo(settings, reply))
            ShowMessage("Unable to retrieve version info from update server, please check the "
                        "website.",
                        UPDATE_CAPTION);
        if (UpdateChoice == 1) {
            WaitProgress(0);
            WaitWindowShow(1);
            result = RunPhases(DownloadRequest, settings, UpdateDownloadUrl, reply);
            WaitWindowShow(0);
            if (result == 1)
                StartNewRelease();
        }
    }

    MEM_FREE(&reply, UPDATE_REPLY_SIZE);
    if (result == 0)
        ShowMessage("Unable to contact the update server, please try again later.", UPDATE_CAPTION);
    return 1;
}
