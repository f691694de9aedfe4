// The build's identity.
#pragma once

// PROGRAM_VERSION: the build's one version number.
#include "base/identity-version.h"

#define PROGRAM_NAME "Uninstall"
#define PROGRAM_BUILD "Release"
#define VENDOR_KEY "Software\\Tolvane\\Installer"
// Named in the User-Agent of every request to the vendor's servers.
#define VENDOR_WEB_SITE "www.tolvane.example"
