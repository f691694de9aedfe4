// POSIX backend: Ctrl-C on the terminal (SIGINT), caught while long work
// offers a way out. The handler only sets a flag; the socket waits see it
// because poll() returns early on a signal.
#include "platform/platform.h"

#include <csignal>
#include <cstring>

namespace {

volatile sig_atomic_t interrupted = 0;
struct sigaction previous;
bool catching = false;

void Remember(int) { interrupted = 1; }

}    // namespace

void PlatCatchInterrupt(int catchIt) {
    if ((catchIt != 0) == catching) return;
    interrupted = 0;
    if (catchIt) {
        struct sigaction action;
        std::memset(&action, 0, sizeof action);
        action.sa_handler = Remember;
        sigemptyset(&action.sa_mask);
        if (sigaction(SIGINT, &action, &previous) == 0) catching = true;
    } else {
        sigaction(SIGINT, &previous, nullptr);
        catching = false;
    }
}

int PlatInterrupted() { return interrupted ? 1 : 0; }
