// Win32 backend: message boxes.
#include <windows.h>

#include "platform/platform.h"

int PlatMessageBox(const char* text, const char* caption, uint32_t style) {
    return MessageBoxA(nullptr, text, caption, style);
}
