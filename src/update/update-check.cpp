// The update check as the user meets it: the policy, the question, the
// version information in phases (through the proxy, directly, then asking
// whether to try again), the offer, the download in the same phases, the
// start of the new release and the final message. Unattended ("-Silent"),
// nothing is asked or shown, and the outcome becomes the exit status.
#include "update/update.h"

#include "base/core.h"
#include "base/runstyle.h"
#include "net/phases.h"
#include "script/recorded-path.h"
#include "system/elevation.h"
#include "system/fileops.h"
#include "system/policy.h"
#include "ui/ui.h"

#include <cstdio>

#define RELEASE_SUCCESS_EXIT_CODE 1

namespace {

struct CheckRun {
    InstallScript* settings;
    UpdateSession* session;
    char* reply;
    const char* url;   // the version information: the script's, or the policy's mirror
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
    return Outcome(FetchVersionInfo(run->settings, run->url, useProxy, run->reply,
                                    UPDATE_REPLY_SIZE));
}

int AttemptDownload(int32_t useProxy, void* context) {
    auto* run = static_cast<CheckRun*>(context);
    return Outcome(DownloadUpdate(run->settings, run->session, run->session->offer.downloadUrl,
                                  useProxy, run->reply, UPDATE_REPLY_SIZE));
}

// Nobody answers an unattended run: after the proxy and the direct attempt
// it gives up instead of trying for ever.
int AskToRetry(const char* question, const char* title) {
    if (RunsUnattended()) {
        LogPrint("Question [%s] answered No: %s\n", title, question);
        return 0;
    }
    return AskYesNo(question, title);
}

// The phases under the wait window, which offers a way out meanwhile.
int RunPhases(const char* phaseLog, const char* retryQuestion, PhaseAttempt attempt,
              CheckRun* run) {
    WaitProgress(0);
    WaitWindowShow(1);
    WaitWindowAllowCancel(1);
    int result = RunInPhases(phaseLog, retryQuestion, UPDATE_CAPTION, AskToRetry, attempt, run);
    WaitWindowAllowCancel(0);
    WaitWindowShow(0);
    return result;
}

void StartNewRelease(const UpdateSession* session) {
    uint32_t exitCode = 0;
    RunProgram(session->savePath, UPDATE_RELEASE_PARAMETERS, 1, &exitCode);
    bool updated = exitCode == RELEASE_SUCCESS_EXIT_CODE;
    NoteUninstallOutcome(updated ? EXIT_REMOVED : EXIT_FAILED);
    ShowMessage(updated ? "Successfully updated program to latest version!"
                        : "Error attempting to update, please go to the site for the latest version.",
                UPDATE_CAPTION);
}

// The policy, read before anything is asked: the check may be off, or go to
// a mirror. The address to ask, or NULL when no check is made.
const char* UpdateAddress(const InstallScript* settings, const ProductPolicy* policy) {
    if (policy->disableUpdateCheck) {
        LogPrint("Update check disabled by policy\n");
        NoteUninstallOutcome(EXIT_REMOVED);
        return nullptr;
    }
    // A mirror that cannot be read must not send the check to the vendor.
    if (policy->updateUrlUnusable) return nullptr;
    const char* url = policy->updateUrl[0] != '\0' ? policy->updateUrl : settings->updateUrl;
    if (url[0] == '\0') {
        if (RunsUnattended()) LogPrint("No update address: nothing was checked\n");
        return nullptr;
    }
    return url;
}

// An update nobody watches starts only a release the vendor signed.
bool MayStartUnwatched(const InstallScript* settings) {
    if (!RunsUnattended() || settings->updateKey[0] != '\0') return true;
    LogPrint("An unattended update needs the vendor's key (UPDATE KEY): nothing is downloaded "
             "or started\n");
    return false;
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

// The release is saved into the install path and started from there. A
// path the uninstall would refuse (empty, relative, a drive root) would put
// it into whatever folder the run stands in, or at the root of a drive:
// nothing is saved then, and the check ends as after a failed download.
static int InstallPathTakesDownload(const InstallScript* settings) {
    if (IsUsableInstallPath(settings->installPath))
        return 1;
    LogPrint("Not downloading the update: the install path '%s' is refused\n",
             settings->installPath);
    return 0;
}

// The offer, when the server has a newer release: downloaded, checked and
// started in the same phases as the check.
static void TakeOffer(InstallScript* settings, CheckRun* run, int* result) {
    if (run->session->choice != 1 || !MayStartUnwatched(settings)) return;
    if (!InstallPathTakesDownload(settings)) {
        *result = 0;
        return;
    }
    if (!ElevateForDownload(settings)) return;
    *result = RunPhases("Update download on phase %d\n",
                        "There was a problem downloading the update, would you like to try again?",
                        AttemptDownload, run);
    if (*result == 1) StartNewRelease(run->session);
}

int CheckForUpdate(InstallScript* settings) {
    CHECK_POINTER(settings);
    ProductPolicy policy;
    ReadProductPolicy(settings->companyName, settings->productName, &policy);
    const char* url = UpdateAddress(settings, &policy);
    if (url == nullptr)
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
    CheckRun run = {settings, &session, reply, url};
    int result = RunPhases("Update on phase %d\n",
                           "There was a problem checking with the update server, would you "
                           "like to try again?",
                           AttemptVersionInfo, &run);

    if (result == 1) {
        if (!ParseVersionInfo(settings, reply, &session))
            ShowMessage("Unable to retrieve version info from update server, please check the "
                        "website.",
                        UPDATE_CAPTION);
        else if (session.offer.identity[0] == '\0')
            NoteUninstallOutcome(EXIT_REMOVED);   // no newer release was offered: up to date
        TakeOffer(settings, &run, &result);
    }

    MEM_FREE(&reply, UPDATE_REPLY_SIZE);
    if (result == PHASE_CANCELLED)
        ShowMessage("The update was cancelled.", UPDATE_CAPTION);
    if (result == 0)
        ShowMessage("Unable to contact the update server, please try again later.", UPDATE_CAPTION);
    return 1;
}
