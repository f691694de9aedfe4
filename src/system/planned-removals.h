// The removals of a plan. Nothing is removed, so the plan remembers what
// it would have removed: a folder whose entries are all remembered counts
// as empty, and a file remembered is gone for every later action. Shortcut
// files and group folders (in the Start-menu Programs folder) report as
// such.
#pragma once

// Reports the deletion of the file at `path` when it is there and not yet
// remembered, and remembers it; 1 when it was reported.
int PlanFileDeletion(const char* path);
// Reports the removal of `folder` (ending in a separator) and remembers it.
void PlanFolderRemoval(const char* folder);
// 1 when the plan removed the entry `name` of `folder`, file or folder.
int PlanRemoved(const char* folder, const char* name);
// 1 when `path` is there for the plan: on the disk and not removed by it.
int PlanSeesFile(const char* path);
