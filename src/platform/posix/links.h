// Symbolic links on the way to a file the program removes. Windows' own
// removal acts on a link, never through it; these let the POSIX stand-ins
// do the same.
#pragma once

// 1 when a folder between the drive's root and the last name of `hostPath`
// is a symbolic link: acting on the path would act inside the link's target.
int HostPathCrossesLink(const char* hostPath);

// 1 when the last name of `hostPath` (a trailing '/' ignored) is itself a
// symbolic link.
int HostPathIsLink(const char* hostPath);

// `hostPath` without its trailing '/' (the root stays "/").
void DropTrailingSeparators(char* hostPath);
