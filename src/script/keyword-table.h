// The keyword table and the field readers the keyword handlers share.
#pragma once

#include "script/script.h"

#include <cstdint>

#define KEYWORD_SIZE 40           // 39 characters and a NUL

typedef int (*KeywordHandler)(InstallScript* script, const char* arguments, int32_t* consumed);

int RegisterScriptKeywords();
int KeywordTableFree();
int KeywordRegister(const char* keyword, KeywordHandler handler);
int KeywordIsKnown(const char* keyword);
// The registered spelling of the keyword a script's text selects, or null.
const char* KeywordCanonical(const char* keyword);
int KeywordDispatch(const char* keyword, InstallScript* script, const char* arguments,
                    int32_t* consumed);

// Copies the keyword after the marker at `marker` (at most 39 characters, up
// to ':' or `end`). Returns where the argument text starts.
const char* ReadKeyword(const char* marker, const char* end, char* keyword);

// Field readers. ReadField consumes the whole field but copies at most
// size - 1 bytes of it, so no field can run past its destination.
int ReadField(const char* arguments, char* destination, int size, int32_t* consumed);
int CountListEntries(const char* arguments, char separator, int32_t* count, int32_t* consumed);
int SkipLine(InstallScript* script, const char* arguments, int32_t* consumed);

// The decimal value of a numeric field as atoi reads it (leading blanks, an
// optional sign, the digits up to the first other character; 0 when there
// are none), but saturated instead of undefined when it does not fit.
int FieldNumber(const char* field);

// What a keyword reads, field by field, as its handler reads it: for tools
// that take scripts apart without running them.
enum KeywordFieldKind {
    FIELD_TEXT,   // one field, cut to `size` - 1 characters
    FIELD_PATH,   // a text field that may begin with path macros
    FIELD_LIST,   // one field of entries separated by ','; `size` per entry
    FIELD_LINE    // the rest of the line, up to CR, LF or NUL
};
#define KEYWORD_FIELDS_MAX 6

struct KeywordField {
    const char* name;
    KeywordFieldKind kind;
    int size;
};

struct KeywordLayout {
    const char* keyword;
    int fieldCount;       // "DONE": as read in the uninstall run
    KeywordField fields[KEYWORD_FIELDS_MAX];
};

// The layout of a registered keyword (as KeywordCanonical spells it), or null.
const KeywordLayout* KeywordLayoutOf(const char* keyword);

// Where one field lies, counted from the argument text's start.
struct FieldSpan {
    int32_t start;
    int32_t length;
};

// Reads the fields of `layout` from `arguments` with the same readers, and
// the same sizes, as its handler: adds to `*consumed` what the handler
// would. `spans` holds KEYWORD_FIELDS_MAX entries.
int ReadLayoutFields(const KeywordLayout* layout, const char* arguments, FieldSpan* spans,
                     int32_t* consumed);
