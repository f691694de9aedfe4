// Proxies: Windows programs take theirs from the Internet settings, never
// from the environment.
#include "platform/platform.h"

int PlatProxyEnvironment(const char*, char* value, int size) {
    if (size > 0) value[0] = '\0';
    return 0;
}
