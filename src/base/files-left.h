// The product's files an uninstall leaves behind, for the closing message:
// each one that waits for the next restart or stays where it is, with the
// program that holds it when one is known. Noting one also notes a file
// left for the exit status (runstyle.h). Process-wide, like the outcome.
#pragma once

#include <cstdint>

#define FILES_LEFT_NAMED 8       // named in the message; the rest are counted
#define FILES_LEFT_PATH_SIZE 320
#define FILES_LEFT_HOLDER_SIZE 128

void NoteFileWaiting(const char* path, const char* holder);
void NoteFileStaying(const char* path);
void ForgetFilesLeft();

int32_t FilesWaiting();
int32_t FilesStaying();
// The i-th named file (0 <= i < FilesNamed()).
struct FileLeft {
    char path[FILES_LEFT_PATH_SIZE];      // cut with "..." when longer
    char holder[FILES_LEFT_HOLDER_SIZE];  // "" when none is known
    int waits;                            // 1: at the restart; 0: stays
};
int32_t FilesNamed();
const FileLeft* NamedFileLeft(int32_t i);
