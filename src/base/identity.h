// The build's identity and the run modes chosen by the entry.
#pragma once

#define PROGRAM_NAME "Uninstall"
#define PROGRAM_VERSION "1.54"
#define PROGRAM_BUILD "Release"
#define VENDOR_KEY "Software\\Tolvane\\Installer"
// Named in the User-Agent of every request to the vendor's servers.
#define VENDOR_WEB_SITE "www.tolvane.example"

#define MODE_NONE 0
#define MODE_UNINSTALL 3
#define MODE_REGISTER_STANDALONE 4
#define MODE_REGISTER_APPLICATION 5
#define MODE_REGISTER_INSTALLER 6
#define MODE_UPDATE 7

// One table for every module that reports who we are.
struct ProgramIdentity {
    const char* name;
    const char* version;
    const char* build;
    const char* vendorKey;
};
extern const ProgramIdentity Identity;
