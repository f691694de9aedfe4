#include "script/codepage.h"

#include "base/codepage.h"
#include "base/core.h"
#include "base/strings.h"
#include "script/keyword-table.h"
#include "script/script.h"

const char* FindCodePageCommand(const char* text, int32_t length) {
    const char* end = text + length;
    for (const char* p = text; p < end; ++p) {
        if (*p != SCRIPT_MARKER) continue;
        char keyword[KEYWORD_SIZE];
        const char* arguments = ReadKeyword(p, end, keyword);
        if (StrEqualNoCase(keyword, CODE_PAGE_KEYWORD) && arguments <= end) return arguments;
    }
    return nullptr;
}

uint32_t ScriptCodePage(const char* text, int32_t length) {
    const char* end = text + length;
    const char* arguments = FindCodePageCommand(text, length);
    if (arguments == nullptr) return CODE_PAGE_DEFAULT;
    // The number's digits; the field ends at the line's end.
    char number[16];
    int taken = 0;
    for (const char* q = arguments; q < end && *q != '\r' && *q != '\n' && taken < 15; ++q)
        number[taken++] = *q;
    number[taken] = '\0';
    return static_cast<uint32_t>(FieldNumber(number));
}

uint32_t VendorCodePage(const InstallScript* script) {
    return script->codePage != 0 ? script->codePage : CODE_PAGE_DEFAULT;
}

int32_t TextForVendor(const InstallScript* script, const char* what, char* text, int32_t length) {
    const uint32_t codePage = VendorCodePage(script);
    const int32_t blockSize = length + 1;
    char* stored = MEM_ALLOC(char, blockSize);
    int32_t unrepresentable = 0;
    const int32_t written = Utf8ToCodePage(codePage, text, length, stored, length, &unrepresentable);
    if (written >= 0) {
        for (int32_t i = 0; i < written; ++i) text[i] = stored[i];
        length = written;
    }
    MEM_FREE(&stored, blockSize);
    if (unrepresentable > 0) {
        LogPrint("%s: %d characters outside code page %u sent as '?'\n", what,
                 static_cast<int>(unrepresentable), static_cast<unsigned>(codePage));
    }
    return length;
}

int32_t ScriptTextToUtf8(const char* text, int32_t length, char* out, int32_t capacity) {
    const uint32_t codePage = ScriptCodePage(text, length);
    if (!CodePageKnown(codePage)) {
        LogPrint("Unknown code page %u\n", static_cast<unsigned>(codePage));
        return -1;
    }
    return CodePageToUtf8(codePage, text, length, out, capacity);
}
