// What the fuzz targets share: the runtime started, a private scratch
// folder, files written there from the input.
#pragma once

#include "base/core.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace fuzz {

// A folder of this process's own under /tmp, as a host path ending in "/".
inline const std::string& Folder() {
    static const std::string folder = [] {
        char name[] = "/tmp/uninstall-fuzz-XXXXXX";
        if (mkdtemp(name) == nullptr)
            std::abort();
        return std::string(name) + "/";
    }();
    return folder;
}

// The same folder as the program names it (drive Z: is the host's root).
inline std::string WindowsPath(const std::string& name) {
    std::string path = "Z:" + Folder() + name;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

inline void WriteFile(const std::string& name, const uint8_t* data, size_t size) {
    FILE* file = std::fopen((Folder() + name).c_str(), "wb");
    if (file == nullptr)
        std::abort();
    if (size != 0 && std::fwrite(data, 1, size, file) != size)
        std::abort();
    std::fclose(file);
}

// The runtime as the program starts it, once; log lines are formatted (so
// formatting is fuzzed too) but not written.
inline void Start() {
    static bool started = [] { return MemInit(MEM_LIMIT_MAXIMUM, 0) != 0; }();
    (void)started;
    DebugFlags = DEBUG_APPEND;
}

// The input as a NUL-terminated text.
inline std::string Text(const uint8_t* data, size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

} // namespace fuzz
