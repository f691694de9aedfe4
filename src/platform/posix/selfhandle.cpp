// POSIX stand-in for the inheritable handle of the running process: the
// process id serves, since a child can watch it without any handle.
#include <unistd.h>

#include "platform/platform.h"

uintptr_t PlatOpenSelfInheritable() { return static_cast<uintptr_t>(getpid()); }

void PlatCloseHandle(uintptr_t) {}
