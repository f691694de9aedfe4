// Folder queries: each result uses backslashes only and ends in one.
#pragma once

#define FOLDER_PATH_SIZE 320

int NormalizePath(char* path, int addTrailingSeparator);
int GetWindowsFolder(char* buffer, int size);
int GetSystemFolder(char* buffer, int size);
int GetTempFolder(char* buffer, int size);
int GetCurrentFolder(char* buffer, int size);
// Moves the process to its drive's root, once; GetCurrentFolder goes on
// giving the folder it stood in before. 1 when it stands there.
int StandInDriveRoot();
int GetProgramFolder(char* buffer, int size);
// The Program Files folder, with its trailing backslash, in `result`
// (FOLDER_PATH_SIZE bytes): the system's setting, else the system drive's
// "Program Files".
void GetProgramFilesFolder(char* result);
