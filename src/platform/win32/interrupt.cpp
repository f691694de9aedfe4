// Win32 backend: Ctrl-C or Ctrl-Break on the console the program was
// started from, caught while long work offers a way out (the window's
// Cancel button is the usual one).
#include <windows.h>

#include "platform/platform.h"

namespace {

volatile LONG interrupted = 0;
bool catching = false;

BOOL WINAPI Remember(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    InterlockedExchange(&interrupted, 1);
    return TRUE;
}

}    // namespace

void PlatCatchInterrupt(int catchIt) {
    if ((catchIt != 0) == catching) return;
    InterlockedExchange(&interrupted, 0);
    if (SetConsoleCtrlHandler(Remember, catchIt ? TRUE : FALSE)) catching = catchIt != 0;
}

int PlatInterrupted() { return interrupted ? 1 : 0; }
