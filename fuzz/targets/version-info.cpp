// The version information of the update check: the scan of a reply, its
// lines and version numbers.
#include "fuzz-support.h"
#include "update/update.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Start();
    std::string reply = fuzz::Text(data, size);
    VersionOffer offer;
    std::memset(&offer, 0, sizeof offer);
    ScanVersionInfo("Tolvane Widget", reply.c_str(), &offer);
    if (std::memchr(offer.identity, '\0', sizeof offer.identity) == nullptr ||
        std::memchr(offer.newVersionText, '\0', sizeof offer.newVersionText) == nullptr ||
        std::memchr(offer.webPage, '\0', sizeof offer.webPage) == nullptr ||
        std::memchr(offer.downloadUrl, '\0', sizeof offer.downloadUrl) == nullptr)
        std::abort();

    const char* cursor = reply.c_str();
    char line[64];
    // A line ends at any control character, which the next read starts past.
    while (*cursor != '\0' && ReadInfoLine(&cursor, line, sizeof line)) {
        if (std::memchr(line, '\0', sizeof line) == nullptr)
            std::abort();
        if (*cursor != '\0')
            ++cursor;
    }
    char version[UPDATE_VERSION_TEXT_SIZE];
    std::strncpy(version, reply.c_str(), sizeof version - 1);
    version[sizeof version - 1] = '\0';
    double number = 0;
    ParseVersionNumber(&number, version);
    return 0;
}
