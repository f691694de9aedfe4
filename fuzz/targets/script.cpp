// The script engine with its real keyword table. The actions that touch
// the machine (shortcuts, windows, components, registration, removal, the
// end of the run) are replaced by recorders that read the same fields and
// note the call; the settings keywords run as they are.
#include "fuzz-support.h"
#include "keywords/handlers.h"
#include "keywords/keywords.h"
#include "script/script.h"

#include <cstring>

namespace {

int recorded = 0;

int Record(int fields, const char* arguments, int32_t* consumed) {
    char field[SCRIPT_TEXT_SIZE];
    int32_t total = 0;
    for (int i = 0; i < fields; ++i) {
        int32_t used = 0;
        ReadField(arguments + total, field, sizeof field, &used);
        total += used;
    }
    *consumed = total;
    ++recorded;
    return 1;
}

} // namespace

int DoCreateGroup(InstallScript*, const char* arguments, int32_t* consumed) {
    return Record(1, arguments, consumed);
}
int DoAddItem(InstallScript*, const char* arguments, int32_t* consumed) {
    return Record(4, arguments, consumed);
}
int DoWindow(InstallScript*, const char* arguments, int32_t* consumed) {
    return Record(6, arguments, consumed);
}
int DoOle(InstallScript*, const char* arguments, int32_t* consumed) {
    return Record(2, arguments, consumed);
}
int DoRegister(InstallScript*, const char* arguments, int32_t* consumed) {
    return Record(3, arguments, consumed);
}
int DoUninstall(InstallScript*, const char* arguments, int32_t* consumed) {
    return Record(0, arguments, consumed);
}
int DoDone(InstallScript* script, const char* arguments, int32_t* consumed) {
    return Record(script->runMode == 3 ? 1 : 0, arguments, consumed);
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Message boxes print; the registry the settings read is the fuzzer's own.
    if (!std::freopen("/dev/null", "w", stdout) || !std::freopen("/dev/null", "r", stdin))
        std::abort();
    setenv("UNINSTALL_PREFIX", fuzz::Folder().c_str(), 1);
    fuzz::Start();
    RegisterScriptKeywords();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    // The first byte is the run mode (1 to 6).
    fuzz::WriteFile("install.dat", data + 1, size - 1);
    InstallScript* script = nullptr;
    if (!ScriptLoad(&script, fuzz::WindowsPath("install.dat").c_str(), 1 + data[0] % 6))
        std::abort();
    ScriptRun(script);
    if (script->position < script->text || script->position > script->text + script->length)
        std::abort();
    for (const char* text : {script->companyName, script->productName, script->installPath,
                             script->installDir, script->updateUrl})
        if (std::memchr(text, '\0', SCRIPT_TEXT_SIZE) == nullptr)
            std::abort();
    ScriptFree(&script);
    return 0;
}
