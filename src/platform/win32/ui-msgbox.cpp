// Win32 backend: message boxes.
#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/wide.h"

int PlatMessageBox(const char* text, const char* caption, uint32_t style) {
    return MessageBoxW(nullptr, Widen(text).c_str(), caption != nullptr ? Widen(caption).c_str() : nullptr, style);
}
