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

// Window and control messages that the dialog helpers send, with their
// Windows values; the POSIX backend answers them on its own controls.
#ifndef _WINDEF_
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_USER 0x0400

#define EM_SETSEL 0x00B1
#define EM_LIMITTEXT 0x00C5
#define EN_CHANGE 0x0300

#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BST_UNCHECKED 0
#define BST_CHECKED 1
#define BST_INDETERMINATE 2
#define BN_CLICKED 0

#define CB_OKAY 0
#define CB_ERR (-1)
#define CB_ERRSPACE (-2)
#define CB_ADDSTRING 0x0143
#define CB_GETCOUNT 0x0146
#define CB_GETCURSEL 0x0147
#define CB_GETLBTEXT 0x0148
#define CB_GETLBTEXTLEN 0x0149
#define CB_RESETCONTENT 0x014B
#define CB_SELECTSTRING 0x014D
#define CB_SETCURSEL 0x014E
#define CBN_SELCHANGE 1

#define PBM_SETRANGE (WM_USER + 1)
#define PBM_SETPOS (WM_USER + 2)
#define PBM_GETRANGE (WM_USER + 7)
#define PBM_GETPOS (WM_USER + 8)

#define IDC_STATIC (-1)
#endif
