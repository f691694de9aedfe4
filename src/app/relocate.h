// Relocation: the program never works from the file it was started from,
// so that the uninstallation can delete that file. It copies itself, with
// its archive, into the temporary folder and starts the copy with "-Spawn"
// and its own arguments.
#pragma once

#include <cstdint>

#define RELOCATE_PATH_SIZE 260
#define RESPAWN_COMMAND_SIZE 512

// Builds "\"COPY\" -Spawn TAIL" (or without the tail when it is NULL) in
// `buffer`. 0, with the buffer emptied, when it would not fit in `size`.
int BuildRespawnCommand(const char* copyPath, const char* tail, char* buffer, int size);

// `tail` is the parent's command line after the program path, or NULL; a
// log named with "-log" is handed on as a full path (TailForCopy).
// Returns 1 when the copy was started, 0 when it was not (logged). On Windows the parent lets the copy
// go and the copy is deleted at the next restart, unless `waitForCopy` is 1.
// Elsewhere, and when it is, the parent waits for the copy, so that the
// copy keeps the terminal, removes its file and hands back its exit status
// in `*copyStatus` (0 otherwise).
int RelocateAndRespawn(const char* tail, int waitForCopy, uint32_t* copyStatus);
