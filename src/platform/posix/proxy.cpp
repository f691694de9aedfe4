// Proxies: the environment's proxy variables.
#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>

int PlatProxyEnvironment(const char* name, char* value, int size) {
    const char* found = std::getenv(name);
    if (found == nullptr || size < 1) return 0;
    std::snprintf(value, (size_t)size, "%s", found);
    return 1;
}
