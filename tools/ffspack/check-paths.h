// Where a script path would lead, worked out for the checker with
// representative folders in place of the machine's own.
#pragma once

#include <string>

struct CheckedPath {
    std::string path;          // expanded, "." and ".." resolved
    bool outsideInstall;       // through $4, $5, $6 or ".."
    std::string emptyCodes;    // macro codes that expand to nothing
};

// `installPath` is the install folder as "INSTALL PATH" computes it, or empty
// when the script never computes one. `uninstallRun` tells whether "$6"
// names a folder where the path is used.
CheckedPath CheckPath(const std::string& entry, const std::string& installPath, bool uninstallRun);

// The install folder "INSTALL PATH" computes from "INSTALL DIR".
std::string RepresentativeInstallPath(const std::string& installDir);

// The program's own rule for every path the removal deletes: an absolute
// path, never a drive root or the root of a share.
bool RemovalPathRuleAllows(const std::string& path);
