// Network work in phases, as both the registration and the update do it:
// phase 0 through the user's proxy, phase 1 directly, phase 2 asks the user
// whether to try again, and a Yes goes on with a direct attempt.
#pragma once

#include <cstdint>

// One attempt; 1 when it succeeded, PHASE_CANCELLED when the user ended
// it and wants no further attempt.
typedef int (*PhaseAttempt)(int32_t useProxy, void* context);
#define PHASE_CANCELLED (-1)
// Asks the user a Yes/No question under a title: 1 for Yes.
typedef int (*PhaseQuestion)(const char* question, const char* title);

// Logs `phaseLog` (a format taking the phase number) before each phase and
// has `ask` put `retryQuestion` under `title` in phase 2. 1 as soon as an
// attempt succeeds, 0 when the user declines to try again, PHASE_CANCELLED
// at once when an attempt was cancelled.
int RunInPhases(const char* phaseLog, const char* retryQuestion, const char* title,
                PhaseQuestion ask, PhaseAttempt attempt, void* context);
