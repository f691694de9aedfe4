// The Windows error code of the last failed backend call, and the mapping
// from errno that gives POSIX failures the codes the core expects.
#pragma once

#include "platform/wintypes.h"

#include <cstdint>

// Codes beyond those of wintypes.h that the backend reports.
#define ERROR_TOO_MANY_OPEN_FILES 4
#define ERROR_NOT_SAME_DEVICE 17
#define ERROR_WRITE_PROTECT 19
#define ERROR_GEN_FAILURE 31
#define ERROR_SHARING_VIOLATION 32
#define ERROR_NOT_SUPPORTED 50
#define ERROR_BAD_NETPATH 53
#define ERROR_FILE_EXISTS 80
#define ERROR_INVALID_PARAMETER 87
#define ERROR_BUFFER_OVERFLOW 111
#define ERROR_DISK_FULL 112
#define ERROR_INSUFFICIENT_BUFFER 122
#define ERROR_INVALID_NAME 123
#define ERROR_MOD_NOT_FOUND 126
#define ERROR_PROC_NOT_FOUND 127
#define ERROR_DIR_NOT_EMPTY 145
#define ERROR_ALREADY_EXISTS 183
#define ERROR_BAD_EXE_FORMAT 193
#define ERROR_FILENAME_EXCED_RANGE 206
#define ERROR_DIRECTORY 267
#define ERROR_NO_ASSOCIATION 1155
#define ERROR_TIMEOUT 1460
#define STILL_ACTIVE 259

void SetPlatLastError(uint32_t code);

uint32_t WindowsErrorFromErrno(int error);

// Records errno as a Windows code. With the host path of the failed call,
// a missing file tells ERROR_FILE_NOT_FOUND from ERROR_PATH_NOT_FOUND by
// whether its folder exists, as Windows does.
void SetLastErrorFromErrno(int error, const char* hostPath = nullptr);
