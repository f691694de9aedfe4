#include "base/files-left.h"

#include "base/runstyle.h"
#include "base/strings.h"

static FileLeft Named[FILES_LEFT_NAMED];
static int32_t NamedCount = 0;
static int32_t Waiting = 0;
static int32_t Staying = 0;

// The message names a file so that a user finds it; a cut path says so.
static void CopyShown(char* to, const char* from, int32_t size) {
    if (StrCopyN(to, from, size)) return;
    StrCopy(to + size - 4, "...");
}

static void Note(const char* path, const char* holder, int waits) {
    NoteFileLeft();
    if (NamedCount >= FILES_LEFT_NAMED) return;
    FileLeft& file = Named[NamedCount++];
    CopyShown(file.path, path != nullptr ? path : "", sizeof file.path);
    CopyShown(file.holder, holder != nullptr ? holder : "", sizeof file.holder);
    file.waits = waits;
}

void NoteFileWaiting(const char* path, const char* holder) {
    ++Waiting;
    Note(path, holder, 1);
}

void NoteFileStaying(const char* path) {
    ++Staying;
    Note(path, "", 0);
}

void ForgetFilesLeft() {
    NamedCount = 0;
    Waiting = 0;
    Staying = 0;
}

int32_t FilesWaiting() { return Waiting; }
int32_t FilesStaying() { return Staying; }
int32_t FilesNamed() { return NamedCount; }
const FileLeft* NamedFileLeft(int32_t i) { return i >= 0 && i < NamedCount ? &Named[i] : nullptr; }
