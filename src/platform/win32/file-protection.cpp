// Win32 backend: the attributes that keep a file or folder from being
// removed. Read-only stops DeleteFile and RemoveDirectory; hidden and system
// go with it, so that nothing of the product is kept by an attribute.
#include <windows.h>

#include <string>

#include "platform/platform.h"
#include "platform/win32/reparse.h"
#include "platform/win32/wide.h"

#define PROTECTING_ATTRIBUTES \
    (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)

int PlatClearProtection(const char* path) {
    // Never through a junction, and never a link's target: a link as the
    // last name is left as it is (Wine would change its target).
    if (PathCrossesReparsePoint(path) || PathIsReparsePoint(path)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    std::wstring wide = WidenPath(path);
    while (wide.size() > 3 && (wide.back() == L'\\' || wide.back() == L'/')) wide.pop_back();
    DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & PROTECTING_ATTRIBUTES)) return 0;
    DWORD cleared = attributes & ~static_cast<DWORD>(PROTECTING_ATTRIBUTES);
    if (cleared == 0) cleared = FILE_ATTRIBUTE_NORMAL;
    return SetFileAttributesW(wide.c_str(), cleared) ? 1 : 0;
}
