// Finding argument number n of a command line as Windows quotes it: blanks
// and control characters separate, double quotes protect separators and
// stay part of the argument.
#include "base/core.h"

namespace {

// Codes 1 to 32 only: bytes above 0x7F belong to arguments (accented
// letters in folder names must not split a path).
bool IsSeparator(char c) {
    auto code = static_cast<unsigned char>(c);
    return code >= 1 && code <= 32;
}

const char* SkipSeparators(const char* p) {
    while (IsSeparator(*p)) p++;
    return p;
}

} // namespace

const char* GetCommandArgument(const char* text, int index, int* count) {
    CHECK_POINTER(text);
    const char* p = SkipSeparators(text);
    int counted = 0;
    bool quoted = false;
    while (*p != '\0') {
        if (*p == '"') quoted = !quoted;
        if (quoted || !IsSeparator(*p)) {
            if (counted == index) break;
            p++;
            continue;
        }
        p = SkipSeparators(p);
        if (*p == '\0') break;
        counted++;
    }
    if (count) *count = counted;
    return counted == index ? p : nullptr;
}
