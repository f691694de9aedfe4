// Keywords that copy one field into a product setting.
#include "keywords/handlers.h"

#include "base/core.h"
#include "keywords/field-sizes.h"
#include "update/release-signature.h"

int SetCompanyName(InstallScript* script, const char* arguments, int32_t* consumed) {
    return ReadField(arguments, script->companyName, SCRIPT_TEXT_SIZE, consumed);
}

int SetProductName(InstallScript* script, const char* arguments, int32_t* consumed) {
    return ReadField(arguments, script->productName, SCRIPT_TEXT_SIZE, consumed);
}

int SetProductVersion(InstallScript* script, const char* arguments, int32_t* consumed) {
    return ReadField(arguments, script->productVersion, SCRIPT_TEXT_SIZE, consumed);
}

int SetText(InstallScript* script, const char* arguments, int32_t* consumed) {
    return ReadField(arguments, script->textField, SCRIPT_TEXT_SIZE, consumed);
}

int SetRegistryPath(InstallScript* script, const char* arguments, int32_t* consumed) {
    return ReadField(arguments, script->registryPath, SCRIPT_TEXT_SIZE, consumed);
}

int SetUpdateUrl(InstallScript* script, const char* arguments, int32_t* consumed) {
    return ReadField(arguments, script->updateUrl, SCRIPT_TEXT_SIZE, consumed);
}

// The key releases must be signed with; one that is no key fails the
// command and leaves none set.
int SetUpdateKey(InstallScript* script, const char* arguments, int32_t* consumed) {
    if (!ReadField(arguments, script->updateKey, SCRIPT_TEXT_SIZE, consumed))
        return 0;
    if (ReleaseKeyIsValid(script->updateKey))
        return 1;
    LogPrint("Malformed update key '%s'\n", script->updateKey);
    script->updateKey[0] = '\0';
    return 0;
}

int SetInstallName(InstallScript* script, const char* arguments, int32_t* consumed) {
    return ReadField(arguments, script->installName, SCRIPT_TEXT_SIZE, consumed);
}

int SetUninstallName(InstallScript* script, const char* arguments, int32_t* consumed) {
    return ReadField(arguments, script->uninstallName, SCRIPT_TEXT_SIZE, consumed);
}

int DeclareCodePage(InstallScript*, const char* arguments, int32_t* consumed) {
    char number[CODE_PAGE_FIELD_SIZE];
    return ReadField(arguments, number, sizeof number, consumed);
}
