// Field readers shared by the keyword handlers. A field runs up to its
// terminator: any control byte (below a blank). The text is UTF-8 by now,
// so every byte from 0x80 up is part of a character of the field.
#include "script/keyword-table.h"

#include "base/strings.h"

static bool IsFieldByte(char byte) { return static_cast<unsigned char>(byte) >= 32; }

// A byte that continues a UTF-8 character: a cut there would leave half of it.
static bool ContinuesCharacter(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

const char* ReadKeyword(const char* marker, const char* end, char* keyword) {
    const char* cursor = marker + 1;
    int taken = 0;
    while (cursor < end && *cursor != ':' && cursor - marker < KEYWORD_SIZE) {
        keyword[taken++] = *cursor++;
    }
    keyword[taken] = '\0';
    return cursor + 1;
}

int ReadField(const char* arguments, char* destination, int size, int32_t* consumed) {
    const char* field = arguments + *consumed;
    int32_t length = 0;
    int32_t copied = 0;
    while (IsFieldByte(field[length])) {
        // The whole field is consumed, but only what fits is kept, so the
        // parse stays aligned whatever the script holds.
        if (copied < size - 1) destination[copied++] = field[length];
        ++length;
    }
    // A field cut short ends before the character the cut went through.
    if (copied < length && ContinuesCharacter(field[copied])) {
        while (copied > 0 && ContinuesCharacter(destination[copied - 1])) --copied;
        if (copied > 0) --copied;  // its first byte
    }
    if (size > 0) destination[copied] = '\0';
    *consumed += length + 1;
    return 1;
}

int CountListEntries(const char* arguments, char separator, int32_t* count, int32_t* consumed) {
    int32_t length = 0;
    while (IsFieldByte(arguments[length])) {
        if (arguments[length] == separator) ++*count;
        ++length;
    }
    *consumed = length;
    return 1;
}

int SkipLine(InstallScript*, const char* arguments, int32_t* consumed) {
    int32_t length = 0;
    while (arguments[length] != '\r' && arguments[length] != '\n' && arguments[length] != '\0')
        ++length;
    *consumed = length;
    return 1;
}

int FieldNumber(const char* field) {
    // A field holds no control bytes, so blanks are the only white space.
    while (*field == ' ') ++field;
    return StrToInt(field);
}
