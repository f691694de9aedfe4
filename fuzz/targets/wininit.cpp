// Queueing a deferred deletion into any existing "wininit.ini": the request
// lands right under the first header (a new header opens a file without
// one), and every byte that was there is kept.
#include "fuzz-support.h"
#include "system/deferdel.h"

#include <fstream>
#include <sstream>
#include <strings.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Start();
    fuzz::WriteFile("wininit.ini", data, size);
    if (WininitQueueDelete(fuzz::WindowsPath("wininit.ini").c_str(), "C:\\Temp\\gone.tmp") != 1)
        std::abort();
    std::ifstream file(fuzz::Folder() + "wininit.ini", std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();

    // The header is searched as text: up to the first NUL.
    const std::string before = fuzz::Text(data, size), request = "NUL=C:\\Temp\\gone.tmp\r\n";
    const std::string header = WININIT_HEADER;
    size_t searchable = before.find('\0');
    if (searchable == std::string::npos)
        searchable = before.size();
    size_t at = std::string::npos;
    for (size_t i = 0; i + header.size() <= searchable && at == std::string::npos; ++i)
        if (strncasecmp(before.data() + i, header.data(), header.size()) == 0)
            at = i;
    std::string expected = at == std::string::npos
                               ? header + request + before
                               : before.substr(0, at + header.size()) + request +
                                     before.substr(at + header.size());
    if (text.str() != expected)
        std::abort();
    return 0;
}
