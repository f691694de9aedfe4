// A fresh folder for one test, addressed by a Windows path ("Z:\tmp\..."
// is /tmp natively and under Wine alike), created and read through the
// platform seam, and removed with the files the test named in it.
#pragma once

#include "platform/platform.h"

#include <cstdio>
#include <random>
#include <string>
#include <vector>

class ScratchFolder {
  public:
    ScratchFolder() {
        std::random_device random;
        char name[64];
        snprintf(name, sizeof name, "Z:\\tmp\\zunk-%08x%08x", random(), random());
        folder_ = name;
        PlatCreateFolder(folder_.c_str());
    }
    ~ScratchFolder() {
        for (const std::string& file : files_) PlatDeleteFile(file.c_str());
        PlatRemoveFolder(folder_.c_str());
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The full Windows path of `name` inside the folder.
    std::string Path(const std::string& name) {
        std::string path = folder_ + "\\" + name;
        files_.push_back(path);
        return path;
    }

    static bool Exists(const std::string& path) { return PlatFileExists(path.c_str()) != 0; }

    // The file's bytes exactly as stored ("" when it cannot be read).
    static std::string Read(const std::string& path) {
        std::string content;
        FILE* file = PlatFileOpen(path.c_str(), "rb");
        if (!file) return content;
        char chunk[4096];
        size_t got;
        while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) content.append(chunk, got);
        fclose(file);
        return content;
    }

    static void Write(const std::string& path, const std::string& content) {
        FILE* file = PlatFileOpen(path.c_str(), "wb");
        if (!file) return;
        fwrite(content.data(), 1, content.size(), file);
        fclose(file);
    }

  private:
    std::string folder_;
    std::vector<std::string> files_;
};
