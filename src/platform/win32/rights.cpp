// Win32 backend, section 9 of the seam: the token's elevation, the rights
// over the product's folder and uninstall entry, and starting a program
// elevated.
//
// Test hook: with UNINSTALL_TEST_STANDARD_TOKEN set (to anything), the
// process reports what a standard token under User Account Control sees:
// not elevated, UAC on, folders and keys refused. Wine gives every program a
// full administrator's token, so this is how a test reaches the elevation.
// The program started through "runas" does not inherit the variable, as
// Windows gives an elevated program a fresh environment. Set to "decline",
// the user declines the consent prompt that Wine does not show.
#include <windows.h>
#include <tlhelp32.h>

#include <string>

#include "platform/platform.h"
#include "platform/win32/shell-verb.h"
#include "platform/win32/wide.h"

static const wchar_t STANDARD_TOKEN_HOOK[] = L"UNINSTALL_TEST_STANDARD_TOKEN";

static bool StandardTokenForced() {
    return GetEnvironmentVariableW(STANDARD_TOKEN_HOOK, nullptr, 0) != 0;
}

static bool UacEnabledByPolicy() {
    DWORD value = 0;
    DWORD size = sizeof value;
    LSTATUS status = RegGetValueW(HKEY_LOCAL_MACHINE,
                                  L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System",
                                  L"EnableLUA", RRF_RT_REG_DWORD, nullptr, &value, &size);
    return status == ERROR_SUCCESS && value != 0;
}

void PlatGetElevation(int* elevated, int* uac) {
    if (StandardTokenForced()) {
        *elevated = 0;
        *uac = 1;
        return;
    }
    *elevated = 0;
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    HANDLE token = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        TOKEN_ELEVATION elevation = {};
        DWORD size = 0;
        if (GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size)) {
            *elevated = elevation.TokenIsElevated != 0;
        }
        GetTokenInformation(token, TokenElevationType, &type, sizeof type, &size);
        CloseHandle(token);
    }
    // A split token exists only under UAC; a standard user has none but is
    // still asked for an administrator's consent when UAC is on.
    *uac = type != TokenElevationTypeDefault || UacEnabledByPolicy();
}

int PlatFolderWritable(const char* folder) {
    if (StandardTokenForced()) return 0;
    std::string probe(folder);
    if (!probe.empty() && probe.back() != '\\') probe += '\\';
    probe += "~rights-probe.tmp";
    HANDLE file = CreateFileW(WidenPath(probe.c_str()).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return 1;
    }
    // Only a refusal counts: a missing folder, or a probe left behind by a
    // crash (the name exists), say nothing about the rights.
    return GetLastError() == ERROR_ACCESS_DENIED ? 0 : 1;
}

int PlatRegKeyDeletable(HKEY root, const char* subKey) {
    if (StandardTokenForced()) return 0;
    HKEY key = nullptr;
    LSTATUS status = RegOpenKeyExW(root, Widen(subKey).c_str(), 0, DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE,
                                   &key);
    if (status == ERROR_SUCCESS) RegCloseKey(key);
    return status == ERROR_ACCESS_DENIED ? 0 : 1;
}

static bool ConsentDeclined() {
    wchar_t value[16] = L"";
    GetEnvironmentVariableW(STANDARD_TOKEN_HOOK, value, 16);
    return lstrcmpiW(value, L"decline") == 0;
}

int PlatShellRunAs(const char* file, const char* parameters, PlatProcess* process) {
    if (ConsentDeclined()) {
        SetLastError(ERROR_CANCELLED);
        return 0;
    }
    SetEnvironmentVariableW(STANDARD_TOKEN_HOOK, nullptr);
    return ShellExecuteVerb("runas", file, parameters, process);
}

static DWORD ParentProcessId() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    DWORD self = GetCurrentProcessId();
    DWORD parent = 0;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID == self) {
            parent = entry.th32ParentProcessID;
            break;
        }
    }
    CloseHandle(snapshot);
    return parent;
}

// The full path of the process's program file and its start time.
static bool ProcessImage(HANDLE process, std::wstring* path, ULONGLONG* started) {
    wchar_t buffer[32768];
    DWORD size = sizeof buffer / sizeof buffer[0];
    if (!QueryFullProcessImageNameW(process, 0, buffer, &size)) return false;
    path->assign(buffer, size);
    FILETIME creation, exit, kernel, user;
    if (!GetProcessTimes(process, &creation, &exit, &kernel, &user)) return false;
    *started = (ULONGLONG(creation.dwHighDateTime) << 32) | creation.dwLowDateTime;
    return true;
}

// The parent is known by its id alone; an id that a newer process took over
// after the parent ended names a process that started after this one.
int PlatStartedBySameProgram() {
    DWORD parentId = ParentProcessId();
    if (parentId == 0) return 0;
    HANDLE parent = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, parentId);
    if (parent == nullptr) return 0;
    std::wstring mine, theirs;
    ULONGLONG myStart = 0, theirStart = 0;
    bool same = ProcessImage(GetCurrentProcess(), &mine, &myStart) &&
                ProcessImage(parent, &theirs, &theirStart) && theirStart <= myStart &&
                CompareStringOrdinal(mine.c_str(), -1, theirs.c_str(), -1, TRUE) == CSTR_EQUAL;
    CloseHandle(parent);
    return same ? 1 : 0;
}
