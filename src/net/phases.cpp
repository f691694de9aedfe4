#include "net/phases.h"

#include "base/core.h"

int RunInPhases(const char* phaseLog, const char* retryQuestion, const char* title,
                PhaseQuestion ask, PhaseAttempt attempt, void* context) {
    int phase = 0;
    for (;;) {
        LogPrint(phaseLog, phase);
        if (phase < 2) {
            int result = attempt(phase == 0 ? 1 : 0, context);
            if (result == 1 || result == PHASE_CANCELLED)
                return result;
            phase = phase + 1;
        } else if (ask(retryQuestion, title)) {
            phase = 1;
        } else {
            return 0;
        }
    }
}
