#include "script/recorded-path.h"

#include "base/core.h"
#include "base/strings.h"
#include "platform/platform.h"
#include "script/script.h"
#include "system/pathrules.h"
#include "system/registry.h"

#define INSTALL_PATH_VALUE "Install Path"
#define RECORDED_READ_SIZE 320

int ReadRecordedInstallPath(HKEY key, char* installPath) {
    // Read with room to spare: a recorded path longer than the field would
    // be cut into another folder's name, and files would be deleted there.
    char recorded[RECORDED_READ_SIZE] = "";
    if (RegistryGetString(key, INSTALL_PATH_VALUE, recorded, sizeof recorded)) {
        if (StrLength(recorded) < SCRIPT_TEXT_SIZE) {
            StrCopy(installPath, recorded);
            return RECORDED_FOUND;
        }
        LogPrint("Install Path too long '%s'\n", recorded);
        installPath[0] = '\0';
        return RECORDED_REFUSED;
    }
    // The read failed: the value is missing, or it is there but longer than
    // any path here, or not a text. Only a missing one leaves the computed path.
    char probe[1];
    uint32_t type = 0;
    uint32_t size = sizeof probe;
    if (PlatRegQueryValue(key, INSTALL_PATH_VALUE, &type, probe, &size) == ERROR_FILE_NOT_FOUND) {
        return RECORDED_MISSING;
    }
    LogPrint("Install Path unusable (%u bytes)\n", static_cast<unsigned>(size));
    installPath[0] = '\0';
    return RECORDED_REFUSED;
}

int IsUsableInstallPath(const char* installPath) {
    return AcceptActionPath(installPath);
}
