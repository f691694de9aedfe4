// "OLE": during an uninstallation a component named with the verb "REGISTER"
// is registered once more and then unregistered; with any other verb it is
// only registered again.
#include "keywords/field-sizes.h"
#include "keywords/handlers.h"
#include "script/pathmacro.h"
#include "system/fileops.h"

#include "base/core.h"
#include "base/identity.h"
#include "base/strings.h"


int DoOle(InstallScript* script, const char* arguments, int32_t* consumed) {
    char verb[OLE_VERB_SIZE];
    char component[OLE_COMPONENT_SIZE];
    ReadField(arguments, verb, sizeof verb, consumed);
    ReadField(arguments, component, sizeof component, consumed);
    if (script->runMode != MODE_UNINSTALL) return 1;

    // The expander writes up to its own capacity, more than the field holds.
    char path[PATH_MACRO_SIZE];
    uint32_t flags = 0;
    if (!ExpandPathMacros(script, component, path, &flags)) return 1;
    LogPrint("OLE: %s '%s'\n", verb, path);

    RegisterComponent(path, 1);
    if (StrEqualNoCase(verb, "REGISTER")) RegisterComponent(path, 0);
    return 1;
}
