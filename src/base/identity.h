// The build's identity.
#pragma once

#define PROGRAM_NAME "Uninstall"
#define PROGRAM_VERSION "1.54"
#define PROGRAM_BUILD "Release"
#define VENDOR_KEY "Software\\Tolvane\\Installer"
// Named in the User-Agent of every request to the vendor's servers.
#define VENDOR_WEB_SITE "www.tolvane.example"
