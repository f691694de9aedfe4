// The keyword table: one list ordered by keyword length, longest first, so a
// lookup costs two integer comparisons per entry and stops at the first
// shorter one. Keywords are told apart by length and case-insensitive hash
// only; registration refuses two keywords that would be confused.
#include "script/keyword-table.h"

#include "base/core.h"
#include "base/strings.h"

struct ScriptKeyword {
    char keyword[KEYWORD_SIZE];
    int32_t length;
    uint32_t hash;
    KeywordHandler handler;
    ScriptKeyword* next;
};

static ScriptKeyword* KeywordTable = nullptr;

static uint32_t KeywordHash(const char* keyword) {
    uint32_t hash = 0;
    StrHash(keyword, 0, &hash);
    return hash;
}

int KeywordRegister(const char* keyword, KeywordHandler handler) {
    CHECK_POINTER(keyword);
    CHECK_POINTER(reinterpret_cast<const void*>(handler));

    ScriptKeyword* entry = MEM_ALLOC(ScriptKeyword, sizeof(ScriptKeyword));
    entry->length = StrLength(keyword);
    entry->handler = handler;
    if (entry->length >= KEYWORD_SIZE) {
        SetErrorLocation(__FILE__, __LINE__);
        RaiseError("Command keyword too long (%s) (%d > %d)\n", keyword, entry->length,
                   KEYWORD_SIZE);
    }
    StrCopy(entry->keyword, keyword);
    entry->hash = KeywordHash(keyword);

    for (ScriptKeyword* other = KeywordTable; other != nullptr; other = other->next) {
        if (other->hash != entry->hash) continue;
        LogPrint("Matching quick CRC's (%s) and (%s)\n", other->keyword, entry->keyword);
        if (other->length == entry->length) {
            SetErrorLocation(__FILE__, __LINE__);
            RaiseError("Matching lengths failure (%d)\n", entry->length);
        }
    }

    // In front of the first entry that is not longer: among equal lengths the
    // newest comes first.
    ScriptKeyword** link = &KeywordTable;
    while (*link != nullptr && (*link)->length > entry->length) link = &(*link)->next;
    entry->next = *link;
    *link = entry;
    return 1;
}

static ScriptKeyword* FindKeyword(const char* keyword) {
    int32_t length = StrLength(keyword);
    uint32_t hash = KeywordHash(keyword);
    for (ScriptKeyword* entry = KeywordTable; entry != nullptr; entry = entry->next) {
        if (entry->length < length) break;
        if (entry->length == length && entry->hash == hash) return entry;
    }
    return nullptr;
}

int KeywordIsKnown(const char* keyword) {
    CHECK_POINTER(keyword);
    return FindKeyword(keyword) != nullptr ? 1 : 0;
}

const char* KeywordCanonical(const char* keyword) {
    CHECK_POINTER(keyword);
    ScriptKeyword* entry = FindKeyword(keyword);
    return entry != nullptr ? entry->keyword : nullptr;
}

int KeywordDispatch(const char* keyword, InstallScript* script, const char* arguments,
                    int32_t* consumed) {
    CHECK_POINTER(keyword);
    CHECK_POINTER(script);
    CHECK_POINTER(arguments);
    CHECK_POINTER(consumed);

    *consumed = 0;
    ScriptKeyword* entry = FindKeyword(keyword);
    if (entry == nullptr) return 0;
    return entry->handler(script, arguments, consumed);
}

int KeywordTableFree() {
    while (KeywordTable != nullptr) {
        ScriptKeyword* entry = KeywordTable;
        KeywordTable = entry->next;
        MEM_FREE(&entry, sizeof(ScriptKeyword));
    }
    return 1;
}
