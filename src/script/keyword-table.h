// The keyword table and the field readers the keyword handlers share. The
// table is process-wide: the program fills it once at start-up (the
// keywords layer binds each keyword to its handler) and every script run
// dispatches through it.
#pragma once

#include "script/script.h"

#include <cstdint>

#define KEYWORD_SIZE 40           // 39 characters and a NUL

typedef int (*KeywordHandler)(InstallScript* script, const char* arguments, int32_t* consumed);

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
