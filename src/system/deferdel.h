// Deferred deletion: files in use are deleted at the next restart,
// by the system where it can, else through "wininit.ini" in the Windows folder.
#pragma once

#define WININIT_NAME "wininit.ini"
#define WININIT_HEADER "[Rename]\r\n"

int QueueDeleteOnRestart(const char* path);
// Puts a deletion request for `path` into the request file `iniPath`.
int WininitQueueDelete(const char* iniPath, const char* path);
