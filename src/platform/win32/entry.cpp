// The program's entry on Windows: the start-up code hands the command tail
// in UTF-16 (the program is linked with -municode); WinMain gets it in UTF-8
// like every other text of the program.
#include <windows.h>

#include <string>

#include "platform/platform.h"
#include "platform/win32/wide.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, wchar_t* commandTail, int showState) {
    std::string tail = Narrow(commandTail);
    return WinMain(instance, previous, tail.data(), showState);
}
