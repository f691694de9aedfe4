// Loading and freeing the installation script record.
#include "script/script.h"

#include "archive/ffs.h"
#include "base/core.h"

#include <cstdint>

static int32_t TextBlockSize(int32_t length) { return length + SCRIPT_TAIL_SIZE; }

static void FreeScript(InstallScript** slot) {
    InstallScript* script = *slot;
    if (script->text != nullptr) MEM_FREE(&script->text, TextBlockSize(script->length));
    MEM_FREE(slot, sizeof(InstallScript));
}

int ScriptLoad(InstallScript** slot, const char* name, int32_t runMode) {
    CHECK_POINTER(slot);
    CHECK_POINTER(name);

    InstallScript* script = MEM_ALLOC(InstallScript, sizeof(InstallScript));
    uint32_t size = 0;
    // A block too large for the record's length is refused, not wrapped.
    if (!FfsFileSize(name, &size) || size > static_cast<uint32_t>(INT32_MAX - SCRIPT_TAIL_SIZE)) {
        FreeScript(&script);
        return 0;
    }
    script->length = static_cast<int32_t>(size);
    script->text = MEM_ALLOC(char, TextBlockSize(script->length));
    if (!FfsReadFile(name, script->text, size)) {
        FreeScript(&script);
        return 0;
    }
    script->position = script->text;
    script->runMode = runMode;
    *slot = script;
    return 1;
}

int ScriptFree(InstallScript** slot) {
    CHECK_POINTER(slot);
    if (*slot != nullptr) FreeScript(slot);
    return 1;
}
