#include "system/message-queue.h"

#include "platform/platform.h"

int PumpMessages() {
    uint32_t message;
    while (PlatPeekMessage(&message)) {
        if (message == WM_CLOSE || message == WM_QUIT) return 1;
        PlatDispatchMessage();
    }
    PlatSleep(0);
    return 1;
}
