// The removal of the installed product, in the two moments of a run that
// removes it.
#pragma once

#include "script/script.h"

// "INSTALL" in the uninstall run: asks the user, finds the previous
// installation, elevates where the product needs it and removes the listed
// files with the wait window's progress. Ends the run's uninstall (the run
// mode becomes MODE_NONE) when the user declines or nothing is found.
// Always 1.
int RemoveProduct(InstallScript* settings);

// "DONE" in the uninstall run: deletes the product's uninstall entry and
// tells the user the product is gone. Always 1.
int FinishRemoval(InstallScript* settings);
