// The field readers of the script commands, on arguments that end anywhere.
#include "fuzz-support.h"
#include "script/keyword-table.h"
#include "script/script.h"

#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Start();
    if (size == 0)
        return 0;
    // The first byte picks the destination size; the arguments follow, with
    // the NUL tail a loaded script has.
    int capacity = 1 + data[0] % 200;
    std::vector<char> arguments(data + 1, data + size);
    arguments.insert(arguments.end(), SCRIPT_TAIL_SIZE, '\0');

    std::vector<char> field(capacity, '\x55');
    int32_t consumed = 0;
    ReadField(arguments.data(), field.data(), capacity, &consumed);
    if (consumed < 0 || size_t(consumed) > arguments.size() ||
        std::memchr(field.data(), '\0', field.size()) == nullptr)
        std::abort();
    FieldNumber(field.data());

    int32_t count = 0;
    consumed = 0;
    CountListEntries(arguments.data(), ',', &count, &consumed);
    if (consumed < 0 || size_t(consumed) > arguments.size())
        std::abort();
    return 0;
}
