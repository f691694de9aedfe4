// "INSTALL PATH": the product's folder, from the registry when an earlier
// installation recorded it, else Program Files joined with "INSTALL DIR".
#include "keywords/handlers.h"
#include "script/pathmacro.h"
#include "script/recorded-path.h"

#include "base/core.h"
#include "base/strings.h"
#include "system/registry.h"


static void ComputeDefaultInstallPath(InstallScript* script) {
    char expanded[PATH_MACRO_SIZE];
    uint32_t flags = 0;
    ExpandPathMacros(script, "$0", expanded, &flags);
    StrCopyN(script->installPath, expanded, SCRIPT_TEXT_SIZE);

    // The expansion starts from the Program Files folder just stored.
    if (!ExpandPathMacros(script, script->installDir, expanded, &flags) ||
        !StrCopyN(script->installPath, expanded, SCRIPT_TEXT_SIZE)) {
        // A cut folder would name another product's files: keep none.
        LogPrint("Install path too long '%s'\n", script->installDir);
        script->installPath[0] = '\0';
    }
}

int SetInstallPath(InstallScript* script, const char* arguments, int32_t* consumed) {
    // The field only keeps the parse aligned; the text setting is scratch.
    ReadField(arguments, script->textField, SCRIPT_TEXT_SIZE, consumed);

    ComputeDefaultInstallPath(script);

    HKEY key = nullptr;
    if (script->registryPath[0] != '\0' &&
        RegistryOpenKey(&key, REGISTRY_CURRENT_USER, script->registryPath)) {
        // A recorded path that is refused means no installation: nothing
        // computed stands in for it.
        ReadRecordedInstallPath(key, script->installPath);
        RegistryCloseKey(&key);
    }

    script->textField[0] = '\0';
    return 1;
}
