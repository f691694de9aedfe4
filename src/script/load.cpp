// Loading and freeing the installation script record.
#include "script/script.h"

#include "archive/ffs.h"
#include "base/codepage.h"
#include "base/core.h"
#include "script/codepage.h"

#include <cstdint>

static int32_t TextBlockSize(int32_t length) { return length + SCRIPT_TAIL_SIZE; }

static void FreeScript(InstallScript** slot) {
    InstallScript* script = *slot;
    if (script->text != nullptr) MEM_FREE(&script->text, TextBlockSize(script->length));
    MEM_FREE(slot, sizeof(InstallScript));
}

// The stored text, in the code page it declares, becomes the program's
// UTF-8 once, here: every name the script gives reads the same on every
// system, and the block's NUL tail stays behind it.
static int ConvertToUtf8(InstallScript* script) {
    script->codePage = ScriptCodePage(script->text, script->length);
    if (script->length > (INT32_MAX - SCRIPT_TAIL_SIZE) / CODE_PAGE_UTF8_GROWTH) return 0;
    const int32_t capacity = script->length * CODE_PAGE_UTF8_GROWTH;
    char* converted = MEM_ALLOC(char, capacity + 1);
    const int32_t length = ScriptTextToUtf8(script->text, script->length, converted, capacity);
    MEM_FREE(&script->text, TextBlockSize(script->length));
    if (length >= 0) {
        script->length = length;
        script->text = MEM_ALLOC(char, TextBlockSize(length));
        for (int32_t i = 0; i < length; ++i) script->text[i] = converted[i];
    }
    MEM_FREE(&converted, capacity + 1);
    return length >= 0 ? 1 : 0;
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
    if (!FfsReadFile(name, script->text, size) || !ConvertToUtf8(script)) {
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
