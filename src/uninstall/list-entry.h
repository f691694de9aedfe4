// The entries of the script's file lists, one at a time.
#pragma once

#include "script/script.h"

// Copies the list entry at *cursor into `entry` (LIST_ENTRY_SIZE bytes) and
// moves the cursor past it and its ','. 0 when it did not fit (logged when
// `logCut` is 1).
int NextListEntry(const char** cursor, char* entry, int logCut);
