// Where the debug log goes. By default "debug.log" beside the program;
// "-log PATH" names another file, for an administrator who collects logs
// from a place of their own. PATH is a full path, or one taken in the
// folder the program was started in. The relocated and the elevated copies
// run elsewhere, so they are handed the full path and go on writing the
// same file.
#pragma once

#include <cstdint>

#define SWITCH_LOG "-log"
#define LOG_PATH_SIZE 320
#define DEFAULT_LOG_NAME "debug.log"

#define LOG_SWITCH_ABSENT 0
#define LOG_SWITCH_FOUND 1
#define LOG_SWITCH_UNUSABLE 2   // no path after it, or one too long

// Finds "-log" (a whole argument, any letter case) in a command tail and
// puts the argument after it, quotes removed, in `path` (LOG_PATH_SIZE) as
// a full path: as it is when it names a drive or starts with a separator,
// else in the current folder. `path` is emptied unless LOG_SWITCH_FOUND.
int FindLogPath(const char* commandTail, char* path);

// The log for DebugInit: "-log" switches the log file on (as "-debug"
// does) and gives its full path; without it, DEFAULT_LOG_NAME. One of the
// LOG_SWITCH_ values; with LOG_SWITCH_UNUSABLE the default log is used.
int ChooseLogFile(const char* commandTail, int32_t* flags, char* logName);

// The command tail a copy of the program is started with: `tail` with the
// path after "-log" replaced by `logPath` in quotes, and "-append" added
// when it is missing, so that the copy appends to the log its starter
// began. Without "-log" the tail is copied as it is. 0, with `out`
// emptied, when the result does not fit `size`.
int TailForCopy(const char* tail, const char* logPath, char* out, int size);
