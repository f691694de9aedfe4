// The actions the script takes on the machine: delete a file and the folders
// it leaves empty, (un)register a component, start a program.
#pragma once

#include <cstdint>

#define FOLDER_WALK_SIZE 320

int DeleteFileAndFolders(const char* path);
int RemoveEmptyFolders(char* folder);
int RegisterComponent(const char* path, int registerFlag);
// Copies `from` over `to` (PlatCopyFile, replacing). 1 on success.
int CopyFileOver(const char* from, const char* to);
int RunProgram(const char* file, const char* parameters, int wait, uint32_t* exitCode);
