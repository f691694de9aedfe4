// Where Wine is not Windows: a test keeps its check for Windows and for the
// native build, and names the difference next to the case Wine cannot meet.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif

inline bool RunningUnderWine() {
#ifdef _WIN32
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

// Wine's CNG imports any point as an ECC public key; Windows checks that it
// lies on the curve unless told not to (BCRYPT_NO_KEY_VALIDATION), and so
// does OpenSSL natively.
inline bool KeyImportChecksTheCurve() { return !RunningUnderWine(); }
