#include "uninstall/product-files.h"

#include "base/core.h"
#include "base/strings.h"
#include "script/pathmacro.h"
#include "system/pathrules.h"
#include "uninstall/list-entry.h"

static void Grow(ProductFiles* files, int32_t needed) {
    if (files->textUsed + needed <= files->textSize) return;
    int32_t size = files->textSize > 0 ? files->textSize : 4096;
    while (size < files->textUsed + needed) size *= 2;
    char* text = MEM_ALLOC(char, size);
    for (int32_t i = 0; i < files->textUsed; ++i) text[i] = files->text[i];
    if (files->text != nullptr) MEM_FREE(&files->text, files->textSize);
    files->text = text;
    files->textSize = size;
}

static void Add(ProductFiles* files, int32_t index, const char* path) {
    files->offsets[index] = -1;
    if (path == nullptr) return;
    int32_t length = StrLength(path) + 1;
    Grow(files, length);
    files->offsets[index] = files->textUsed;
    StrCopy(files->text + files->textUsed, path);
    files->textUsed += length;
}

static void AddExpanded(ProductFiles* files, int32_t index, const InstallScript* script,
                        const char* entry) {
    char path[PATH_MACRO_SIZE];
    uint32_t flags = 0;
    Add(files, index, entry[0] != '\0' && ExpandPathMacros(script, entry, path, &flags) ? path
                                                                                       : nullptr);
}

void ProductFilesFind(const InstallScript* script, ProductFiles* files) {
    *files = {};
    int32_t listed = script->fileCount > 0 ? script->fileCount : 0;
    files->count = listed + 2;
    files->offsets = MEM_ALLOC(int32_t, files->count * static_cast<int32_t>(sizeof(int32_t)));
    const char* cursor = script->fileList;
    for (int32_t i = 0; i < listed; ++i) {
        char entry[LIST_ENTRY_SIZE];
        if (NextListEntry(&cursor, entry, 1)) {
            // An empty entry is expanded as before: to the install path.
            char path[PATH_MACRO_SIZE];
            uint32_t flags = 0;
            Add(files, i, ExpandPathMacros(script, entry, path, &flags) ? path : nullptr);
        } else {
            Add(files, i, nullptr);
        }
    }
    AddExpanded(files, PRODUCT_UNINSTALL_NAME(files), script, script->uninstallName);
    AddExpanded(files, PRODUCT_INSTALL_NAME(files), script, script->installName);
}

const char* ProductFile(const ProductFiles* files, int32_t i) {
    if (i < 0 || i >= files->count || files->offsets[i] < 0) return nullptr;
    return files->text + files->offsets[i];
}

int32_t ProductFilePaths(const ProductFiles* files, const char** paths) {
    int32_t usable = 0;
    for (int32_t i = 0; i < files->count; ++i) {
        const char* path = ProductFile(files, i);
        // Whatever the rules refuse is never deleted, so nobody holds it.
        if (path != nullptr && ClassifyActionPath(path) == PATH_ACCEPTED) paths[usable++] = path;
    }
    return usable;
}

void ProductFilesEnd(ProductFiles* files) {
    if (files->text != nullptr) MEM_FREE(&files->text, files->textSize);
    if (files->offsets != nullptr) {
        MEM_FREE(&files->offsets, files->count * static_cast<int32_t>(sizeof(int32_t)));
    }
    *files = {};
}
