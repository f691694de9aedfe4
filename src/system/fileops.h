// The actions the script takes on the machine: delete a file and the folders
// it leaves empty, (un)register a component, start a program.
#pragma once

#include "platform/platform.h"

#include <cstdint>

#define FOLDER_WALK_SIZE 320

// One removal's walk through the folders, the way rm keeps the folder it
// works in: the folder of the last deleted file stays open, so the files of
// one folder are deleted, and looked at, relative to it, its path
// translated and looked up once per folder, not once per file. Whether a
// folder is empty needs only its first real entry, so the listing stops
// there and that entry is remembered: while it is still in place the folder
// is not empty, and one look at it spares listing the folder again after
// each of its other files is deleted. Removing n files from one folder
// stays linear. Start it zeroed; FolderWalkEnd closes what it holds.
struct FolderWalk {
    char path[FOLDER_WALK_SIZE];      // with its separator; empty: none open
    PlatFolder handle;
    char occupant[FOLDER_WALK_SIZE];  // an entry the last listing found; empty: none
};
void FolderWalkEnd(FolderWalk* walk);

// Deletes the file, then the folders it leaves empty. A file that is there
// but cannot be deleted is queued for the restart (QueueFileLeft). Always 1.
int DeleteFileAndFolders(FolderWalk* walk, const char* path);
// A product's file that is still there: queued for deletion at the restart,
// logged with the program that holds it ("" or NULL: none known) and noted
// as waiting, or, when it cannot be queued, noted as staying. 1 when queued.
int QueueFileLeft(const char* path, const char* holder);
// DeleteFileAndFolders for a file outside any larger removal: a walk of its
// own, ended before it returns. Always 1.
int DeleteLoneFile(const char* path);
int RemoveEmptyFolders(FolderWalk* walk, char* folder);
int RegisterComponent(const char* path, int registerFlag);
// Copies `from` over `to` (PlatCopyFile, replacing). 1 on success.
int CopyFileOver(const char* from, const char* to);
int RunProgram(const char* file, const char* parameters, int wait, uint32_t* exitCode);
