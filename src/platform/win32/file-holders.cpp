// Win32 backend: the programs that hold files, found and closed through the
// Restart Manager, the system's own record of which process uses which
// file (open handles and loaded modules alike).
#include <windows.h>
#include <restartmanager.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/wide.h"

// Some of the programs asked to end are still running (winerror.h of the
// newer kits).
#ifndef ERROR_FAIL_SHUTDOWN
#define ERROR_FAIL_SHUTDOWN 351L
#endif

namespace {

// Names are registered a batch at a time, as the Restart Manager allows
// any number of calls per session.
const int kRegisterBatch = 256;

uint64_t TimeValue(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FILETIME FileTime(uint64_t value) {
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(value);
    time.dwHighDateTime = static_cast<DWORD>(value >> 32);
    return time;
}

// The process that started this one: the relocating starter waits for its
// copy and holds its own file meanwhile; it is this program, not another.
DWORD StarterProcessId() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof entry;
    DWORD self = GetCurrentProcessId(), starter = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID == self) {
            starter = entry.th32ParentProcessID;
            break;
        }
    }
    CloseHandle(snapshot);
    return starter;
}

DWORD RegisterFiles(DWORD session, const char* const* paths, int count) {
    DWORD error = ERROR_SUCCESS;
    for (int start = 0; start < count && error == ERROR_SUCCESS; start += kRegisterBatch) {
        int batch = count - start < kRegisterBatch ? count - start : kRegisterBatch;
        std::vector<std::wstring> wide;
        std::vector<LPCWSTR> names;
        for (int i = 0; i < batch; ++i) wide.push_back(Widen(paths[start + i]));
        for (const std::wstring& name : wide) names.push_back(name.c_str());
        error = RmRegisterResources(session, static_cast<UINT>(batch), names.data(), 0, nullptr,
                                    0, nullptr);
    }
    return error;
}

// The session's list; it may grow between the call that sizes it and the
// one that fills it.
DWORD ListProcesses(DWORD session, std::vector<RM_PROCESS_INFO>* list) {
    UINT needed = 0, given = 0;
    DWORD reasons = 0;
    DWORD error = RmGetList(session, &needed, &given, nullptr, &reasons);
    for (int attempt = 0; error == ERROR_MORE_DATA && attempt < 4; ++attempt) {
        list->resize(needed);
        given = needed;
        error = RmGetList(session, &needed, &given, list->data(), &reasons);
    }
    list->resize(error == ERROR_SUCCESS ? given : 0);
    return error;
}

bool StillRuns(const PlatFileHolder& holder) {
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                 holder.processId);
    if (process == nullptr) return false;
    FILETIME created, exited, kernel, user;
    bool same = GetProcessTimes(process, &created, &exited, &kernel, &user) &&
                TimeValue(created) == holder.startTime;
    bool runs = same && WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return runs;
}

}  // namespace

int PlatFindFileHolders(const char* const* paths, int count, PlatFileHolder* holders,
                        int capacity, int* found) {
    *found = 0;
    DWORD session = 0;
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    DWORD error = RmStartSession(&session, 0, key);
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return 0;
    }
    std::vector<RM_PROCESS_INFO> list;
    error = RegisterFiles(session, paths, count);
    if (error == ERROR_SUCCESS) error = ListProcesses(session, &list);
    RmEndSession(session);
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return 0;
    }
    DWORD self = GetCurrentProcessId(), starter = StarterProcessId();
    for (const RM_PROCESS_INFO& info : list) {
        DWORD id = info.Process.dwProcessId;
        if (id == self || id == starter) continue;
        if (*found < capacity) {
            PlatFileHolder& holder = holders[*found];
            holder.processId = id;
            holder.startTime = TimeValue(info.Process.ProcessStartTime);
            std::string name = Narrow(info.strAppName);
            size_t length = name.size() < PLAT_HOLDER_NAME_SIZE ? name.size()
                                                                : PLAT_HOLDER_NAME_SIZE - 1;
            name.copy(holder.program, length);
            holder.program[length] = '\0';
        }
        ++*found;
    }
    return 1;
}

int PlatCloseFileHolders(const PlatFileHolder* holders, int count, int force) {
    DWORD session = 0;
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    DWORD error = RmStartSession(&session, 0, key);
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return 0;
    }
    // The processes themselves, not the files: only they are asked to end.
    std::vector<RM_UNIQUE_PROCESS> processes;
    for (int i = 0; i < count; ++i) {
        processes.push_back({holders[i].processId, FileTime(holders[i].startTime)});
    }
    error = RmRegisterResources(session, 0, nullptr, static_cast<UINT>(processes.size()),
                                processes.data(), 0, nullptr);
    ULONG how = force ? static_cast<ULONG>(RmForceShutdown) : 0UL;
    if (error == ERROR_SUCCESS) error = RmShutdown(session, how, nullptr);
    RmEndSession(session);
    for (int i = 0; i < count; ++i) {
        if (StillRuns(holders[i])) {
            SetLastError(error != ERROR_SUCCESS ? error : ERROR_FAIL_SHUTDOWN);
            return 0;
        }
    }
    return 1;
}
