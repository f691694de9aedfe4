// The paths the removal deletes, expanded once: the file list's entries in
// order, then the uninstall name and the install name. The holders of the
// files are asked about all of them before the first one is deleted.
#pragma once

#include "script/script.h"

#include <cstdint>

struct ProductFiles {
    char* text;              // the paths, each with its NUL
    int32_t textSize, textUsed;
    int32_t* offsets;        // per entry; -1: nothing to delete
    int32_t count;           // the file list's entries, then the two names
};

#define PRODUCT_UNINSTALL_NAME(files) ((files)->count - 2)
#define PRODUCT_INSTALL_NAME(files) ((files)->count - 1)

void ProductFilesFind(const InstallScript* script, ProductFiles* files);
// The path of entry i, or NULL when it names nothing to delete.
const char* ProductFile(const ProductFiles* files, int32_t i);
// The paths the rules accept, into `paths` (at most files->count); their count.
int32_t ProductFilePaths(const ProductFiles* files, const char** paths);
void ProductFilesEnd(ProductFiles* files);
