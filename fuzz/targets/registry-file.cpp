// The POSIX registry file: what parses is written, and what is written
// parses again into the same text.
#include "fuzz-support.h"
#include "platform/posix/registry-store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RegStore store;
    RegParseError error;
    if (!RegParseText(fuzz::Text(data, size), &store, &error))
        return 0;
    std::string written = RegFormatText(store);
    RegStore again;
    if (!RegParseText(written, &again, &error) || RegFormatText(again) != written)
        std::abort();
    return 0;
}
