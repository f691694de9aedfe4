// Byte strings in caller-supplied buffers. Every pointer argument that the
// interface marks as tested goes through the check-site convention, so a
// NULL ends the run with a located report instead of a crash.
#include "base/strings.h"

#include "base/core.h"

#include <climits>
#include <cstdio>

namespace {

bool IsLower(unsigned char c) { return c >= 'a' && c <= 'z'; }

// Two bytes match ignoring case only when they are the same ASCII letter.
bool SameIgnoringCase(unsigned char a, unsigned char b) {
    if (a == b) return true;
    if (IsLower(a) && b == a - 32) return true;
    if (IsLower(b) && a == b - 32) return true;
    return false;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

int StrLength(const char* text) {
    CHECK_POINTER(text);
    int length = 0;
    while (text[length] != '\0') length++;
    return length;
}

int StrCopy(char* destination, const char* source) {
    CHECK_POINTER(destination);
    CHECK_POINTER(source);
    while ((*destination++ = *source++) != '\0') {
    }
    return 1;
}

int StrAppend(char* destination, const char* source) {
    return StrCopy(destination + StrLength(destination), source);
}

int StrCopyN(char* destination, const char* source, int size) {
    CHECK_POINTER(destination);
    CHECK_POINTER(source);
    // Without room for the terminator nothing may be written at all.
    if (size < 1) return 0;
    int remaining = size - 1;
    while (remaining > 0 && *source != '\0') {
        *destination++ = *source++;
        remaining--;
    }
    *destination = '\0';
    return *source == '\0' ? 1 : 0;
}

int StrAppendN(char* destination, const char* source, int size) {
    CHECK_POINTER(source);
    int used = StrLength(destination);
    if (used >= size) return source[0] == '\0' ? 1 : 0;
    return StrCopyN(destination + used, source, size - used);
}

int StrHash(const char* text, int caseSensitive, uint32_t* hash) {
    CHECK_POINTER(text);
    CHECK_POINTER(hash);
    static const int shifts[5] = {0, 7, 13, 20, 27};
    uint32_t value = 0;
    int slot = 0;
    for (; *text != '\0'; text++) {
        // Signed on purpose: bytes above 0x7F spread their sign into the high bits.
        int32_t character = static_cast<signed char>(*text);
        if (!caseSensitive && character >= 'a' && character <= 'z') character -= 32;
        value ^= static_cast<uint32_t>(character) << shifts[slot];
        slot = slot == 4 ? 0 : slot + 1;
    }
    *hash = value;
    return 1;
}

int StrEqual(const char* a, const char* b) {
    CHECK_POINTER(a);
    CHECK_POINTER(b);
    for (; *a == *b; a++, b++) {
        if (*a == '\0') return 1;
    }
    return 0;
}

int StrEqualNoCase(const char* a, const char* b) {
    CHECK_POINTER(a);
    CHECK_POINTER(b);
    for (;; a++, b++) {
        if (!SameIgnoringCase(static_cast<unsigned char>(*a), static_cast<unsigned char>(*b)))
            return 0;
        if (*a == '\0') return 1;
    }
}

int StrStartsWith(const char* text, const char* prefix) {
    CHECK_POINTER(text);
    CHECK_POINTER(prefix);
    for (; *prefix != '\0'; text++, prefix++) {
        if (*text != *prefix) return 0;
    }
    return 1;
}

int StrStartsWithNoCase(const char* text, const char* prefix) {
    CHECK_POINTER(text);
    CHECK_POINTER(prefix);
    for (; *prefix != '\0'; text++, prefix++) {
        if (!SameIgnoringCase(static_cast<unsigned char>(*text),
                              static_cast<unsigned char>(*prefix)))
            return 0;
    }
    return 1;
}

namespace {

int FindWith(int (*startsWith)(const char*, const char*), const char* text, const char* needle,
             const char** position) {
    CHECK_POINTER(text);
    CHECK_POINTER(needle);
    CHECK_POINTER(position);
    for (; *text != '\0'; text++) {
        if (startsWith(text, needle)) {
            *position = text;
            return 1;
        }
    }
    *position = nullptr;
    return 0;
}

} // namespace

int StrFind(const char* text, const char* needle, const char** position) {
    return FindWith(StrStartsWith, text, needle, position);
}

int StrFindNoCase(const char* text, const char* needle, const char** position) {
    return FindWith(StrStartsWithNoCase, text, needle, position);
}

int EncodePrintableGroup(const unsigned char* input, char* output) {
    uint32_t value = (uint32_t{input[0]} << 16) | (uint32_t{input[1]} << 8) | input[2];
    output[0] = static_cast<char>(33 + ((value >> 18) & 63));
    output[1] = static_cast<char>(33 + ((value >> 12) & 63));
    output[2] = static_cast<char>(33 + ((value >> 6) & 63));
    output[3] = static_cast<char>(33 + (value & 63));
    return 1;
}

int EncodePrintable(const unsigned char* input, int length, char* output, int* size) {
    const int header = 8;
    if (length < 0) return 0;
    int64_t groups = (int64_t{length} + 2) / 3;
    int64_t written = header + 4 * groups;
    if (written + 1 > *size) return 0;

    char* out = output + header;
    for (int done = 0; done < length; done += 3, out += 4) {
        unsigned char group[3] = {0, 0, 0};
        for (int i = 0; i < 3 && done + i < length; i++) group[i] = input[done + i];
        EncodePrintableGroup(group, out);
    }
    *out = '\0';
    *size = static_cast<int>(written);

    char digits[header + 1];
    snprintf(digits, sizeof digits, "%.8X", static_cast<unsigned>(length));
    for (int i = 0; i < header; i++) output[i] = digits[i];
    return 1;
}

int StrToInt(const char* text) {
    if (text == nullptr) return 0;
    // An optional sign and the digits after it; anything else ends the number.
    bool negative = false;
    if (*text == '-' || *text == '+') negative = *text++ == '-';
    int64_t value = 0;
    for (; IsDigit(*text); text++) {
        value = value * 10 + (*text - '0');
        if (value > int64_t{INT_MAX} + 1) value = int64_t{INT_MAX} + 1; // saturate
    }
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    return static_cast<int>(value);
}

namespace {

bool IsEmailCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c) || c == '-' ||
           c == '+' || c == '.' || c == '@' || c == '_';
}

} // namespace

int IsValidEmail(const char* text) {
    CHECK_POINTER(text);
    if (*text == '\0') return 0;

    const char* at = nullptr;
    bool dotAfterAt = false;
    bool digitAfterLastDot = false;
    int domainLength = 0;
    for (const char* p = text; *p != '\0'; p++) {
        char c = *p;
        if (!IsEmailCharacter(c)) return 0;
        if (c == '@') {
            if (at != nullptr || p == text) return 0;
            if (p[1] == '.') return 0;
            at = p;
            continue;
        }
        if (c == '.' && p[1] == '.') return 0;
        if (at != nullptr) {
            if (c == '+' || c == '_') return 0;
            domainLength++;
            if (c == '.') dotAfterAt = true;
        }
        if (c == '.') digitAfterLastDot = false;
        else if (IsDigit(c)) digitAfterLastDot = true;
    }
    if (at == nullptr || !dotAfterAt || domainLength < 4) return 0;
    return digitAfterLastDot ? 0 : 1;
}

int StrHexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
