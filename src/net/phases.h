// Network work in phases, as both the registration and the update do it:
// phase 0 through the user's proxy, phase 1 directly, phase 2 asks the user
// whether to try again, and a Yes goes on with a direct attempt.
#pragma once

#include <cstdint>

// One attempt; 1 when it succeeded.
typedef int (*PhaseAttempt)(int32_t useProxy, void* context);

// Logs `phaseLog` (a format taking the phase number) before each phase and
// asks `retryQuestion` under `title` in phase 2. 1 as soon as an attempt
// succeeds, 0 when the user declines to try again.
int RunInPhases(const char* phaseLog, const char* retryQuestion, const char* title,
                PhaseAttempt attempt, void* context);
