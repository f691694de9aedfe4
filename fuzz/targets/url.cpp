// URL splitting, the proxy setting and address, and the download's file name.
#include "fuzz-support.h"
#include "net/http.h"
#include "net/proxy-route.h"
#include "net/proxy-settings.h"
#include "update/update.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Start();
    std::string text = fuzz::Text(data, size);
    char site[HTTP_TEXT_SIZE], path[HTTP_TEXT_SIZE];
    if (HttpSplitUrl(text.c_str(), site, path) &&
        (std::memchr(site, '\0', sizeof site) == nullptr || std::memchr(path, '\0', sizeof path) == nullptr))
        std::abort();

    char entry[HTTP_PROXY_SERVER_SIZE];
    if (ProxyServerEntry(text.c_str(), "http", entry, sizeof entry) == 1 &&
        std::memchr(entry, '\0', sizeof entry) == nullptr)
        std::abort();
    ProxyRoute route;
    if (ProxyParseAddress(text.c_str(), &route)) {
        char shown[PROXY_SHOWN_SIZE];
        ProxyShow(&route, shown);
        if (std::memchr(shown, '\0', sizeof shown) == nullptr)
            std::abort();
    }

    char name[UPDATE_TEXT_SIZE];
    if (DownloadFileName(text.c_str(), name) && std::memchr(name, '\0', sizeof name) == nullptr)
        std::abort();
    return 0;
}
