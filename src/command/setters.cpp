// Keywords that copy one field into a product setting.
#include "command/handlers.h"

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

int SetInstallName(InstallScript* script, const char* arguments, int32_t* consumed) {
    return ReadField(arguments, script->installName, SCRIPT_TEXT_SIZE, consumed);
}

int SetUninstallName(InstallScript* script, const char* arguments, int32_t* consumed) {
    return ReadField(arguments, script->uninstallName, SCRIPT_TEXT_SIZE, consumed);
}
