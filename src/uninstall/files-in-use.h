// Files of the product that running programs hold, found before anything is
// deleted: the user may close those programs (an unattended run only with
// "-CloseApps"); what they still hold waits for the restart, named with
// its holder.
#pragma once

#include "base/files-left.h"
#include "uninstall/product-files.h"

#include <cstdint>

struct HeldFile {
    const char* path;                      // one of the product's paths
    char holder[FILES_LEFT_HOLDER_SIZE];   // "A, B"
};

// The product's files still held once the programs had their chance to
// close. Start it zeroed; FilesInUseEnd frees it.
struct FilesInUse {
    HeldFile* held;
    int32_t count, capacity;
    int32_t queries;   // how many more the search may ask the system
};

// Finds the programs that hold any of the product's files, offers to close
// them, and records in `inUse` each file that is still held afterwards.
void FindFilesInUse(const InstallScript* script, const ProductFiles* files, FilesInUse* inUse);
// The programs holding `path` ("A, B"), or NULL when nothing holds it.
const char* HolderOfFile(const FilesInUse* inUse, const char* path);
void FilesInUseEnd(FilesInUse* inUse);
