// The download of a new release into the product's folder. The file name
// comes from the network, so only a plain name is accepted; and the file is
// received under a temporary name beside its target and put in place only
// once it is complete, so that a failed attempt never destroys the file
// that was there (it may be the product's own program). When the script
// names the vendor's key, the file must also carry the vendor's signature:
// its SHA-256 is computed as it arrives and checked before it is put in
// place.
#include "update/update.h"

#include "base/core.h"
#include "base/identity.h"
#include "base/strings.h"
#include "net/http-exchange.h"
#include "platform/platform.h"
#include "script/pathmacro.h"
#include "ui/ui.h"
#include "update/release-signature.h"

#include <climits>
#include <cstdio>
#include <cstring>

#define DOWNLOAD_AGENT "Tolvane Update Download " PROGRAM_NAME " (" VENDOR_WEB_SITE ")"
#define DOWNLOAD_TEMP_PREFIX "Upd"
#define TEMP_NAME_SIZE 260

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

int ClampToInt(int64_t value) { return static_cast<int>(value > INT32_MAX ? INT32_MAX : value); }

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

struct Transfer {
    int64_t fileSize = -1;    // the header's Content-Length, -1 without one
    int64_t received = 0;
    bool writeFailed = false;
    PlatHash hash = nullptr;  // only when the release must be signed
};

// Writes one piece of the body to the file.
bool Store(const char* piece, int32_t length, FILE* file, Transfer* transfer) {
    // The body fills the bar's rest after the request's steps.
    const double start = HTTP_STEP_SENT;
    if (transfer->fileSize > 0)
        WaitProgress(start + (100.0 - start) * static_cast<double>(transfer->received) /
                                 static_cast<double>(transfer->fileSize));
    if (std::fwrite(piece, 1, static_cast<size_t>(length), file) != static_cast<size_t>(length) ||
        (transfer->hash && !PlatHashAdd(transfer->hash, piece, static_cast<size_t>(length)))) {
        transfer->writeFailed = true;
        return false;
    }
    transfer->received += length;
    LogPrint("Recieved -> [%d / %d]\n", length, ClampToInt(transfer->received));
    return true;
}

// The body: what came with the header, then every further piece until the
// server closes (or sends more than it announced).
void ReceiveFile(HttpReply* reply, char* buffer, int32_t size, FILE* file, Transfer* transfer) {
    if (reply->filled > reply->bodyStart &&
        !Store(buffer + reply->bodyStart, reply->filled - reply->bodyStart, file, transfer))
        return;
    int32_t piece = 0;
    while (HttpExchangeRead(reply, buffer, size, &piece)) {
        if (!Store(buffer, piece, file, transfer))
            return;
        if (transfer->fileSize >= 0 && transfer->received > transfer->fileSize)
            return;
    }
}

int Complete(const Transfer& transfer) {
    if (transfer.fileSize < 0 || transfer.fileSize == transfer.received)
        return 1;
    LogPrint("Sizes to not match (%d != %d)\n", ClampToInt(transfer.fileSize),
             ClampToInt(transfer.received));
    return 0;
}

// Before anything is fetched: a release that must be signed needs a
// signature in its block.
int SignatureExpected(const InstallScript* settings, const VersionOffer& offer, const char* name) {
    if (settings->updateKey[0] == '\0') {
        LogPrint("The update '%s' is not signed: no key to check it with\n", name);
        return 1;
    }
    if (offer.signature[0] != '\0')
        return 1;
    LogPrint("No signature for '%s' in the version information\n", name);
    return 0;
}

// The received file against the block's signature, when there is a key.
int SignatureHolds(const InstallScript* settings, const VersionOffer& offer, const char* name,
                   const uint8_t* fileDigest) {
    if (settings->updateKey[0] == '\0')
        return 1;
    if (ReleaseSignatureVerify(settings->updateKey, offer.identity,
                               offer.versionRecord, name, fileDigest,
                               offer.signature)) {
        LogPrint("Signature of '%s' verified\n", name);
        return 1;
    }
    LogPrint("Bad signature for '%s' %s (%s)\n", name, offer.versionRecord,
             offer.identity);
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

int DownloadUpdate(const InstallScript* settings, UpdateSession* session, const char* url,
                   int32_t useProxy, char* buffer, int32_t size) {
    CHECK_POINTER(settings);
    CHECK_POINTER(session);
    CHECK_POINTER(url);
    CHECK_POINTER(buffer);
    session->savePath[0] = '\0';
    char name[UPDATE_TEXT_SIZE];
    if (!DownloadFileName(url, name)) {
        LogPrint("Refusing to save the download under the name '%s'\n", name);
        return 0;
    }
    uint32_t flags = 0;
    if (!ExpandPathMacros(settings, name, session->savePath, &flags))
        return 0;
    LogPrint("Save to -> [%s]\n", session->savePath);
    if (!SignatureExpected(settings, session->offer, name))
        return 0;

    char folder[UPDATE_TEXT_SIZE];
    char partial[TEMP_NAME_SIZE];
    FolderOf(session->savePath, folder);
    FILE* file = nullptr;
    if (PlatTempFileName(folder, DOWNLOAD_TEMP_PREFIX, partial)) {
        file = PlatFileOpen(partial, "wb");
        if (file == nullptr)
            PlatDeleteFile(partial);
    }
    if (file == nullptr) {
        LogPrint("Unable to open file '%s'\n", session->savePath);
        return 0;
    }

    HttpRequest request = {url, DOWNLOAD_AGENT, "GET", nullptr, 0, useProxy, 1, WaitProgress};
    HttpReply reply;
    if (!HttpExchangeOpen(&request, buffer, size, &reply)) {
        std::fclose(file);
        PlatDeleteFile(partial);
        return 0;
    }
    Transfer transfer;
    transfer.fileSize = reply.header.contentLength;
    if (settings->updateKey[0] != '\0' && (transfer.hash = PlatSha256Begin()) == nullptr)
        LogPrint("Unable to compute the SHA-256 the signature covers\n");
    if (transfer.fileSize >= 0)
        LogPrint("Filesize = %d (%dk)\n", ClampToInt(transfer.fileSize),
                 ClampToInt(transfer.fileSize >> 10));
    ReceiveFile(&reply, buffer, size, file, &transfer);

    bool written = std::fclose(file) == 0 && !transfer.writeFailed;
    HttpExchangeClose(&reply);

    int complete = 0;
    uint8_t fileDigest[PLAT_SHA256_SIZE];
    bool hashed = transfer.hash && PlatHashFinish(transfer.hash, fileDigest);
    if (!written) {
        LogPrint("Unable to write file '%s'\n", session->savePath);
    } else {
        complete = Complete(transfer);
    }
    if (complete && settings->updateKey[0] != '\0')
        complete = hashed && SignatureHolds(settings, session->offer, name, fileDigest);
    if (complete)
        complete = PutInPlace(partial, session->savePath);
    if (!complete)
        PlatDeleteFile(partial);
    return complete;
}
