// Junctions and symbolic links on the way to a file the program removes:
// removal acts on such a link, never through it.
#pragma once

// True when a folder between the root and the last name of `path` is a
// reparse point (junction or symbolic link).
bool PathCrossesReparsePoint(const char* path);

// True when `path` itself (a trailing separator ignored) is a reparse point.
bool PathIsReparsePoint(const char* path);
