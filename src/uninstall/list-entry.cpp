#include "uninstall/list-entry.h"

#include "base/core.h"

// Copies the list entry at *cursor into `entry` and moves the cursor past it
// and its ','. An entry too long for the buffer is consumed whole and
// reported as unusable (0), so that no cut name is ever acted on.
int NextListEntry(const char** cursor, char* entry, int logCut) {
    const char* p = *cursor;
    int length = 0;
    bool fits = true;
    while (static_cast<unsigned char>(*p) >= 32 && *p != ',') {
        if (length < LIST_ENTRY_SIZE - 1) {
            entry[length++] = *p;
        } else {
            fits = false;
        }
        ++p;
    }
    entry[length] = '\0';
    if (*p == ',') ++p;
    *cursor = p;
    if (!fits && logCut) LogPrint("List entry too long '%s...'\n", entry);
    return fits ? 1 : 0;
}
