// The program's keywords: the binding of each script keyword to its
// handler, and what each keyword reads, field by field.
#pragma once

#include "script/keyword-table.h"

#include <cstdint>

// Fills the process-wide keyword table with every keyword of the script
// language, in the order the program has always registered them.
int RegisterScriptKeywords();

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
