// The Windows handle types and constants that the portable core speaks.
// The core never includes <windows.h>; the Win32 backend does, and then
// these definitions step aside so that both see the very same types.
#pragma once

#include <cstdint>

#ifndef _WINDEF_
struct HWND__;
struct HKEY__;
struct HINSTANCE__;
typedef HWND__* HWND;
typedef HKEY__* HKEY;
typedef HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;

// Predefined registry roots, with the values Windows gives them.
#define HKEY_CLASSES_ROOT ((HKEY)(uintptr_t)(int32_t)0x80000000)
#define HKEY_CURRENT_USER ((HKEY)(uintptr_t)(int32_t)0x80000001)
#define HKEY_LOCAL_MACHINE ((HKEY)(uintptr_t)(int32_t)0x80000002)
#define HKEY_USERS ((HKEY)(uintptr_t)(int32_t)0x80000003)
#define HKEY_PERFORMANCE_DATA ((HKEY)(uintptr_t)(int32_t)0x80000004)
#define HKEY_CURRENT_CONFIG ((HKEY)(uintptr_t)(int32_t)0x80000005)
#define HKEY_DYN_DATA ((HKEY)(uintptr_t)(int32_t)0x80000006)

#define REG_SZ 1
#define REG_DWORD 4

#define MB_OK 0x00000000
#define MB_YESNO 0x00000004
#define MB_ICONERROR 0x00000010
#define MB_ICONQUESTION 0x00000020
#define MB_SYSTEMMODAL 0x00001000
#define MB_TASKMODAL 0x00002000

#define IDOK 1
#define IDCANCEL 2
#define IDYES 6
#define IDNO 7

#define ERROR_SUCCESS 0
#define ERROR_FILE_NOT_FOUND 2
#define ERROR_PATH_NOT_FOUND 3
#define ERROR_ACCESS_DENIED 5
#define ERROR_INVALID_HANDLE 6
#define ERROR_NOT_ENOUGH_MEMORY 8
#define ERROR_INVALID_DATA 13
#define ERROR_MORE_DATA 234
#define ERROR_BADKEY 1010
#define ERROR_KEY_DELETED 1018
#endif
