// The download of a new release into the product's folder. The file name
// comes from the network, so only a plain name is accepted; and the file is
// received under a temporary name beside its target and put in place only
// once it is complete, so that a failed attempt never destroys the file
// that was there (it may be the product's own program).
#include "update/update.h"

#include "command/pathmacro.h"
#include "platform/platform.h"
#include "update/http.h"
#include "winmain/identity.h"
#include "zunkcore/winhelpr.h"
#include "zunkcore/zunk-core.h"
#include "zunkcore/zunk-str.h"

#include <climits>
#include <cstdio>
#include <cstring>

#define DOWNLOAD_AGENT "Tolvane Update Download " PROGRAM_NAME " (" VENDOR_WEB_SITE ")"
#define DOWNLOAD_TEMP_PREFIX "Upd"
#define TEMP_NAME_SIZE 260
#define CONTENT_LENGTH_FIELD "Content-Length:"

namespace {

bool IsPlainFileName(const char* name) {
    if (name[0] == '\0' || name[0] == '$')
        return false;
    if (StrEqual(name, ".") || StrEqual(name, ".."))
        return false;
    // Separators and drives name other folders; the rest is not allowed in a
    // Windows file name at all.
    return std::strpbrk(name, "\\/:*?\"<>|") == nullptr;
}

// The folder part of a path, separator included ("" when it has none).
void FolderOf(const char* path, char* folder) {
    StrCopyN(folder, path, UPDATE_TEXT_SIZE);
    char* cut = folder;
    for (char* p = folder; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '/')
            cut = p + 1;
    }
    *cut = '\0';
}

// The Content-Length of a header that ends at `blank`, 0 without one. Only
// the header is searched: the body may hold anything.
int32_t HeaderFileSize(char* header, char* blank) {
    char saved = *blank;
    *blank = '\0';
    int32_t fileSize = 0;
    const char* field = nullptr;
    if (StrFindNoCase(header, CONTENT_LENGTH_FIELD, &field)) {
        const char* value = field + sizeof CONTENT_LENGTH_FIELD - 1;
        while (*value != '\0' && static_cast<signed char>(*value) <= 32)
            ++value;
        fileSize = StrToInt(value);
        LogPrint("Filesize = %d (%dk)\n", fileSize, fileSize >> 10);
    }
    *blank = saved;
    return fileSize;
}

struct Transfer {
    int32_t fileSize = 0;
    int32_t received = 0;
    int result = 0; // 1 once the header end was seen
    bool writeFailed = false;
};

// Reads the reply: the header, which may come in several pieces, then the
// body, written to `file` piece by piece.
void ReceiveFile(Socket* socket, char* buffer, int32_t size, FILE* file, Transfer* transfer) {
    char* readPosition = buffer;
    char* const last = buffer + size - 1; // room for the terminator
    bool headerDone = false;
    int32_t piece = 0;
    while (last - readPosition > 0 &&
           SocketRead(socket, readPosition, static_cast<int32_t>(last - readPosition), &piece) ==
               1) {
        readPosition[piece] = '\0';
        if (!headerDone) {
            // Searched in this piece only: the header pieces accumulate.
            const char* blank = nullptr;
            if (!StrFind(readPosition, "\r\n\r\n", &blank)) {
                readPosition += piece;
                continue;
            }
            char* headerEnd = readPosition + (blank - readPosition);
            transfer->fileSize = HeaderFileSize(readPosition, headerEnd);
            headerDone = true;
            char* body = headerEnd + 4;
            piece -= static_cast<int32_t>(body - readPosition);
            readPosition = body;
        }
        if (transfer->fileSize > 0)
            WaitProgress(60.0 + 40.0 * transfer->received / transfer->fileSize);
        if (piece > INT32_MAX - transfer->received ||
            std::fwrite(readPosition, 1, static_cast<size_t>(piece), file) !=
                static_cast<size_t>(piece)) {
            transfer->writeFailed = true;
            return;
        }
        transfer->received += piece;
        LogPrint("Recieved -> [%d / %d]\n", piece, transfer->received);
        transfer->result = 1;
    }
}

int Complete(const Transfer& transfer) {
    if (transfer.fileSize == 0)
        return transfer.result;
    if (transfer.fileSize == transfer.received)
        return 1;
    LogPrint("Sizes to not match (%d != %d)\n", transfer.fileSize, transfer.received);
    return 0;
}

// Puts the received file in place of the target; 0 when that fails.
int PutInPlace(const char* partial, const char* target) {
    // Windows knows a program by its name; elsewhere it must be allowed to run.
    PlatAllowExecute(partial);
    if (PlatMoveFile(partial, target))
        return 1;
    LogPrint("Unable to replace '%s' (0x%.8X)\n", target, PlatLastError());
    return 0;
}

} // namespace

int DownloadFileName(const char* url, char* name) {
    CHECK_POINTER(url);
    CHECK_POINTER(name);
    const char* slash = url[0] != '\0' ? std::strrchr(url + 1, '/') : nullptr;
    const char* start = slash != nullptr ? slash + 1 : url;
    if (!StrCopyN(name, start, UPDATE_TEXT_SIZE))
        return 0;
    return IsPlainFileName(name) ? 1 : 0;
}

int DownloadUpdate(InstallScript* settings, const char* url, int32_t useProxy, char* buffer,
                   int32_t size) {
    CHECK_POINTER(settings);
    CHECK_POINTER(url);
    CHECK_POINTER(buffer);
    UpdateSavePath[0] = '\0';
    char name[UPDATE_TEXT_SIZE];
    if (!DownloadFileName(url, name)) {
        LogPrint("Refusing to save the download under the name '%s'\n", name);
        return 0;
    }
    uint32_t flags = 0;
    if (!ExpandPathMacros(settings, name, UpdateSavePath, &flags))
        return 0;
    LogPrint("Save to -> [%s]\n", UpdateSavePath);

    char folder[UPDATE_TEXT_SIZE];
    char partial[TEMP_NAME_SIZE];
    FolderOf(UpdateSavePath, folder);
    FILE* file = nullptr;
    if (PlatTempFileName(folder, DOWNLOAD_TEMP_PREFIX, partial)) {
        file = PlatFileOpen(partial, "wb");
        if (file == nullptr)
            PlatDeleteFile(partial);
    }
    if (file == nullptr) {
        LogPrint("Unable to open file '%s'\n", UpdateSavePath);
        return 0;
    }

    Socket* socket = nullptr;
    int32_t headerLength = 0;
    if (!HttpOpenRequest(url, DOWNLOAD_AGENT, "GET", 0, useProxy, &socket, buffer, size,
                         &headerLength)) {
        std::fclose(file);
        PlatDeleteFile(partial);
        return 0;
    }

    Transfer transfer;
    if (!HttpSendAll(socket, buffer, headerLength)) {
        LogPrint("Unable to output header (%s)\n", SocketErrorText(socket));
    } else {
        WaitProgress(60);
        ReceiveFile(socket, buffer, size, file, &transfer);
    }

    bool written = std::fclose(file) == 0 && !transfer.writeFailed;
    SocketShutdown(socket);
    SocketClose(socket);
    SocketDelete(&socket);

    int complete = 0;
    if (!written) {
        LogPrint("Unable to write file '%s'\n", UpdateSavePath);
    } else {
        complete = Complete(transfer);
    }
    if (complete)
        complete = PutInPlace(partial, UpdateSavePath);
    if (!complete)
        PlatDeleteFile(partial);
    return complete;
}
