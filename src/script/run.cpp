// Running the script: find each command marker, look its keyword up and let
// the keyword's handler read the fields that follow.
#include "script/script.h"

#include "base/core.h"
#include "script/keyword-table.h"

static void LogRunSummary(const InstallScript* script) {
    LogPrint("Company Name   : %s\n", script->companyName);
    LogPrint("Product Name   : %s\n", script->productName);
    LogPrint("File Count     : %d\n", script->fileCount);
    LogPrint("Install Path   : %s [%s]\n", script->installPath, script->installDir);
}

int ScriptRun(InstallScript* script) {
    CHECK_POINTER(script);

    const char* p = script->position;
    const char* end = script->text + script->length;
    while (p < end) {
        if (*p != SCRIPT_MARKER) {
            ++p;
            continue;
        }
        script->position = p;
        char keyword[KEYWORD_SIZE];
        const char* arguments = ReadKeyword(p, end, keyword);
        if (!KeywordIsKnown(keyword)) {
            LogPrint("Unknown script command '%s'\n", keyword);
            return SCRIPT_RUN_CORRUPTED;
        }
        int32_t consumed = 0;
        if (!KeywordDispatch(keyword, script, arguments, &consumed)) {
            LogPrint("Command Failed '%s'\n", keyword);
            return SCRIPT_RUN_STOPPED;
        }
        // The byte after the consumed ones is passed over unseen.
        const char* next = arguments + consumed;
        p = next < end ? next + 1 : end;
    }
    script->position = end;

    LogRunSummary(script);
    return SCRIPT_RUN_FINISHED;
}
