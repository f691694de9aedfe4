// Starting a file through a verb of the shell ("open", "runas"), shared by
// the backend's process and rights sections.
#pragma once

#include "platform/platform.h"

// ShellExecuteEx with `verb`; 1 and the process (none when the shell handed
// the file to a running program). The system's error stays for PlatLastError.
int ShellExecuteVerb(const char* verb, const char* file, const char* parameters,
                     PlatProcess* process);
