// Proxy auto-configuration through WinHTTP's own resolver: it fetches and
// runs the PAC file, and finds one by automatic detection (WPAD, by DHCP
// and DNS) when the user's settings ask for it.
#include "platform/platform.h"

#include <windows.h>
#include <winhttp.h>

#include <cstdio>
#include <cstring>

#define WIDE_URL_SIZE 2048
// WinHTTP's waits while it fetches a PAC file, each.
#define PAC_FETCH_TIMEOUT_MS 10000

namespace {

bool ToWide(const char* text, wchar_t* wide, int size) {
    return MultiByteToWideChar(CP_ACP, 0, text, -1, wide, size) > 0;
}

// The user's "Automatically detect settings".
bool AutoDetectAsked() {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config = {};
    if (!WinHttpGetIEProxyConfigForCurrentUser(&config)) return false;
    if (config.lpszAutoConfigUrl) GlobalFree(config.lpszAutoConfigUrl);
    if (config.lpszProxy) GlobalFree(config.lpszProxy);
    if (config.lpszProxyBypass) GlobalFree(config.lpszProxyBypass);
    return config.fAutoDetect != FALSE;
}

// WinHTTP's list ("a:1;b:2" or blanks between) in PAC form.
void ToPacForm(const wchar_t* list, char* result, int32_t size) {
    char narrow[WIDE_URL_SIZE];
    if (WideCharToMultiByte(CP_ACP, 0, list, -1, narrow, sizeof narrow, nullptr, nullptr) <= 0)
        narrow[0] = '\0';
    int32_t used = 0;
    result[0] = '\0';
    for (char* at = narrow; *at;) {
        size_t length = std::strcspn(at, "; \t");
        if (length > 0 && used < size) {
            int written = std::snprintf(result + used, (size_t)(size - used), "%sPROXY %.*s",
                                        used ? "; " : "", (int)length, at);
            if (written > 0) used += written;
        }
        at += length;
        if (*at) ++at;
    }
}

}    // namespace

int PlatProxyAutoConfig(const char* url, const char*, const char* pacUrl, PlatPacFetch, void*,
                        char* result, int32_t resultSize, char* reason) {
    reason[0] = '\0';
    if (resultSize > 0) result[0] = '\0';
    const bool configured = pacUrl != nullptr && pacUrl[0] != '\0';
    if (!configured && !AutoDetectAsked()) return -1;
    wchar_t wideUrl[WIDE_URL_SIZE], widePac[WIDE_URL_SIZE];
    if (!ToWide(url, wideUrl, WIDE_URL_SIZE) || (configured && !ToWide(pacUrl, widePac, WIDE_URL_SIZE))) {
        std::snprintf(reason, PLAT_PAC_REASON_SIZE, "address not usable");
        return 0;
    }
    HINTERNET session = WinHttpOpen(L"Uninstall", WINHTTP_ACCESS_TYPE_NO_PROXY,
                                    WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
    if (!session) {
        std::snprintf(reason, PLAT_PAC_REASON_SIZE, "WinHttpOpen failed (0x%.8lX)", GetLastError());
        return 0;
    }
    WinHttpSetTimeouts(session, PAC_FETCH_TIMEOUT_MS, PAC_FETCH_TIMEOUT_MS, PAC_FETCH_TIMEOUT_MS,
                       PAC_FETCH_TIMEOUT_MS);
    WINHTTP_AUTOPROXY_OPTIONS options = {};
    if (configured) {
        options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
        options.lpszAutoConfigUrl = widePac;
    } else {
        options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
        options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    }
    options.fAutoLogonIfChallenged = TRUE;
    WINHTTP_PROXY_INFO info = {};
    BOOL found = WinHttpGetProxyForUrl(session, wideUrl, &options, &info);
    DWORD error = found ? 0 : GetLastError();
    WinHttpCloseHandle(session);
    // Most networks have no WPAD: nothing found is no failure.
    if (!found && !configured && error == ERROR_WINHTTP_AUTODETECTION_FAILED) return -1;
    if (!found) {
        std::snprintf(reason, PLAT_PAC_REASON_SIZE, "WinHttpGetProxyForUrl failed (%lu)", error);
        return 0;
    }
    if (info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && info.lpszProxy)
        ToPacForm(info.lpszProxy, result, resultSize);
    else
        std::snprintf(result, (size_t)resultSize, "DIRECT");
    if (info.lpszProxy) GlobalFree(info.lpszProxy);
    if (info.lpszProxyBypass) GlobalFree(info.lpszProxyBypass);
    return 1;
}
