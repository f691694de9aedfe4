// The product's install path as an earlier installation recorded it, and
// the test every install path passes before anything is removed from it.
#pragma once

#include "platform/wintypes.h"

#define RECORDED_MISSING 0   // no value "Install Path": the computed path stands
#define RECORDED_FOUND 1     // the value, in the install path field
#define RECORDED_REFUSED 2   // there, but too long or not a text: no installation

// Reads "Install Path" from the open key into `installPath` (160 bytes),
// which a refused value leaves empty, never holding a cut path.
int ReadRecordedInstallPath(HKEY key, char* installPath);

// 1 when files may be removed from `installPath`: absolute, below a drive
// or share root. A refusal is logged.
int IsUsableInstallPath(const char* installPath);
