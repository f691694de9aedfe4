// URL splitting, the proxy setting and the download's file name.
#include "fuzz-support.h"
#include "net/http.h"
#include "update/update.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Start();
    std::string text = fuzz::Text(data, size);
    char site[HTTP_TEXT_SIZE], path[HTTP_TEXT_SIZE];
    if (HttpSplitUrl(text.c_str(), site, path) &&
        (std::memchr(site, '\0', sizeof site) == nullptr || std::memchr(path, '\0', sizeof path) == nullptr))
        std::abort();

    char proxy[HTTP_PROXY_SERVER_SIZE];
    HttpProxyFromSetting(text.c_str(), proxy, sizeof proxy);
    if (std::memchr(proxy, '\0', sizeof proxy) == nullptr)
        std::abort();

    char name[UPDATE_TEXT_SIZE];
    if (DownloadFileName(text.c_str(), name) && std::memchr(name, '\0', sizeof name) == nullptr)
        std::abort();
    return 0;
}
