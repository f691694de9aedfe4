// The program's entry: the runtime's start-up code (Windows) or the POSIX
// backend's main() calls it with the command tail, the command line after
// the program path and the blanks that follow it. Returns the exit status.
#pragma once

#include "platform/wintypes.h"

extern "C" int WinMain(HINSTANCE instance, HINSTANCE previous, char* commandTail, int showState);
