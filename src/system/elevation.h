// Elevation only where it is needed. The program runs with the user's own
// rights (registration and the update check keep the user's details in the
// user's registry); only changing a product installed for every user needs
// an administrator's rights. Then the program asks once, through the
// shell's "runas" verb, and an elevated copy of itself does the work.
#pragma once

#include <cstdint>

// Marks the elevated copy's command line.
#define ELEVATED_SWITCH "-Elevated"

struct ElevationFacts {
    int elevated;     // the process holds an administrator's full rights
    int uac;          // the system grants them on consent
    int writable;     // the product's folder (and uninstall entry) may be changed
};

// 1 when the run must ask for elevation before it changes the product (the
// uninstall or the update's download): a product this process may not
// change, rights that consent would raise. A per-user product is writable
// and never asks; without UAC there is nobody to ask.
int ElevationNeeded(const ElevationFacts* facts);

// What ElevateIfNeeded left to the caller.
#define ELEVATION_PROCEED 0      // this process does the work
#define ELEVATION_HANDED_OVER 1  // an elevated copy did it; do nothing more
#define ELEVATION_DECLINED 2     // nobody does it; the caller tells the user why

// Before the product's folder `installPath` is changed in the uninstall or
// the update: when elevation is needed, starts the program again through
// "runas" with its own arguments and ELEVATED_SWITCH, and waits for it.
// `uninstallKey` (under HKEY_LOCAL_MACHINE, or NULL) must be deletable too.
// A declined consent or a failed start is logged, and its error left in
// `*declineError` for the caller's explanation.
int ElevateIfNeeded(const char* installPath, const char* uninstallKey, uint32_t* declineError);

// 1 in the elevated copy: it does not ask again what its starter asked
// (the confirmation, the choice to download), and never asks for elevation.
// That copy carries ELEVATED_SWITCH, holds full rights and was started by
// the asking copy of this program; each answer it skips is logged.
int RunningElevatedCopy();
