// The one rule for every path the uninstaller deletes or overwrites: it
// must name a place by itself, whatever the current folder, and that place
// must not be a whole drive or share.
#pragma once

#define PATH_ACCEPTED 0
#define PATH_EMPTY 1
#define PATH_RELATIVE 2        // no drive and ":\", no "\\server\share\"
#define PATH_ROOT 3            // a drive root or a share root
#define PATH_DOT_NAME 4        // a name of dots only: "." or ".." climb or stay
#define PATH_DEVICE 5          // "\\.\" and "\\?\" forms other than a drive or UNC

// Classifies `path` (either separator). PATH_ACCEPTED: an absolute path
// below a drive root ("C:\x") or below a share root ("\\server\share\x"),
// the long forms "\\?\C:\x" and "\\?\UNC\server\share\x" included.
int ClassifyActionPath(const char* path);

// The reason for a class, as the log gives it.
const char* PathRuleReason(int verdict);

// ClassifyActionPath, with the log line "Refused path '%s': %s\n" for a
// refused path. 1 when the path may be acted on.
int AcceptActionPath(const char* path);

// 1 when no folder on the way to the last name of `path` is a junction or
// symbolic link; else the log line "Refused path '%s': through a link\n"
// and 0. A link as the last name is the link itself, acted on as such.
int AcceptLinkFreePath(const char* path);
