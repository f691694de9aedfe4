// POSIX backend: a line for the program's log, through the writer the
// program set with PlatSetLogWriter.
#pragma once

void PlatLogNotice(const char* line);
