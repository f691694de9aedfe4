#include <windows.h>

#include <cstring>
#include <string>

#include "platform/platform.h"
#include "platform/win32/reparse.h"
#include "platform/win32/wide.h"

static bool IsSeparator(char c) { return c == '\\' || c == '/'; }

static std::string WithoutTrailingSeparators(const char* path) {
    std::string text(path);
    while (text.size() > 3 && IsSeparator(text.back())) text.pop_back();
    return text;
}

static bool IsReparsePoint(const std::string& path) {
    DWORD attributes = GetFileAttributesW(WidenPath(path.c_str()).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool PathIsReparsePoint(const char* path) { return IsReparsePoint(WithoutTrailingSeparators(path)); }

bool PathCrossesReparsePoint(const char* path) {
    std::string text = WithoutTrailingSeparators(path);
    // Past the root: "C:\" or "\\server\share\" (and their "\\?\" forms).
    size_t start = 0;
    if (text.compare(0, 4, "\\\\?\\") == 0) start = 4;
    if (text.size() > start + 1 && text[start + 1] == ':') {
        start += 3;
    } else if (text.size() > start + 1 && IsSeparator(text[start]) && IsSeparator(text[start + 1])) {
        start += 2;
        for (int names = 0; names < 2 && start < text.size(); ++names) {
            while (start < text.size() && !IsSeparator(text[start])) ++start;
            ++start;
        }
    }
    for (size_t i = start; i < text.size(); ++i) {
        if (IsSeparator(text[i]) && IsReparsePoint(text.substr(0, i))) return true;
    }
    return false;
}

int PlatPathCrossesLink(const char* path) {
    if (PathCrossesReparsePoint(path)) return 1;
    size_t length = strlen(path);
    // A folder named with its separator is on the way to its entries.
    return length > 0 && IsSeparator(path[length - 1]) && PathIsReparsePoint(path) ? 1 : 0;
}
