// System libraries a run may never need (Schannel, the certificate chain,
// CNG) are not imported: the program defines their functions itself, and
// each such function loads its library from the system folder and finds
// the real one the first time it is called. A run that opens no HTTPS
// connection and checks no signature never loads them.
//
// A library or function that cannot be found answers `failure` (a failing
// status, FALSE) with ERROR_MOD_NOT_FOUND as the last error: TLS and
// signatures then fail closed.
//
// The build declares these functions without dllimport (_NO_KSECDD_IMPORT_,
// WINIMPM) so the calls bind to the definitions here.
#pragma once

#include <windows.h>

// The module of `name` (a DLL of the system folder only, never one beside
// the program), or null. Each library's file keeps it in a function-local
// static, loaded on the first call.
HMODULE OnDemandOpen(const wchar_t* name);
void* OnDemandSymbol(HMODULE library, const char* name);

#define ON_DEMAND(library, result, failure, name, parameters, arguments)                         \
    extern "C" result WINAPI name parameters {                                                 \
        static const auto real = reinterpret_cast<decltype(&name)>(                           \
            OnDemandSymbol(library, #name));                                                   \
        if (real == nullptr) {                                                                 \
            SetLastError(ERROR_MOD_NOT_FOUND);                                                 \
            return failure;                                                                    \
        }                                                                                      \
        return real arguments;                                                                 \
    }
