// Windows paths at the seam, host paths below it.
//
// Drive C: is the folder <prefix>/drive_c; every other host path is seen on
// drive Z:, whose root is /. The prefix is $UNINSTALL_PREFIX, by default
// ~/.local/share/uninstall. Relative paths stay relative. See
// docs/posix-stand-ins.md for the whole layout.
//
// The functions below return 1 when the result fits `size` bytes (NUL
// included) and 0 otherwise, leaving an empty string; a Windows path that
// names no mapped drive also gives 0. PlatLastError() tells why.
#pragma once

#include <string>

// The host path of a Windows path. A path ending in ".exe" (any case) that
// names no file falls back to the same path without ".exe" when that
// exists: the native program file has no extension.
int HostPathFromWindows(const char* windowsPath, char* hostPath, int size);

// The same without the ".exe" fallback, for files about to be created or
// replaced, so that writing "x.exe" never lands on an existing "x".
int HostPathFromWindowsExact(const char* windowsPath, char* hostPath, int size);

// The Windows path of a host path: C:\... inside <prefix>/drive_c, Z:\...
// elsewhere; a relative path only changes its separators.
int WindowsPathFromHost(const char* hostPath, char* windowsPath, int size);

// The same for a file or folder about to be written. A write inside drive C
// first makes the folders every Windows machine has (below); nothing else
// makes them, so a run that only reads (a plan) leaves the prefix as it
// found it.
int HostPathForWriting(const char* windowsPath, char* hostPath, int size);

// The folders of drive C that Windows always has, relative to drive C.
#define DRIVE_C_PROGRAM_FILES "Program Files"
#define DRIVE_C_WINDOWS "windows"
#define DRIVE_C_SYSTEM "windows/system32"
#define DRIVE_C_TEMP "windows/temp"
std::string DriveCProfileFolder();  // "users/<login name>"
std::string DriveCProgramsFolder(); // the profile's "Start Menu/Programs"

// The host path of `relative` inside the prefix ("" for the prefix itself).
int PrefixHostPath(const char* relative, char* hostPath, int size);

// Creates a host folder and its missing parents (mkdir -p). 1 when the
// folder exists afterwards.
int MakeHostFolders(const char* hostPath);
