// The download of a new release into the product's folder. The file name
// comes from the network, so only a plain name is accepted; and the file is
// received under a temporary name beside its target and put in place only
// once it is complete, so that a failed attempt never destroys the file
// that was there (it may be the product's own program). A transfer broken
// off resumes where it stopped, when the server can tell that the file is
// still the same one. A file whose end nothing proves (no length, no
// chunked end) is taken only with the vendor's signature; when the script
// names the vendor's key, every file must carry it.
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
#define TEMP_NAME_SIZE 260
#define RANGE_FIELDS_SIZE (HTTP_VALIDATOR_SIZE + 64)
#define HASH_READ_SIZE 65536

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

struct Transfer {
    FILE* file = nullptr;
    char partial[TEMP_NAME_SIZE] = "";
    int64_t total = -1;       // the whole file's size, -1 while unknown
    int64_t received = 0;     // bytes in the temporary file
    int32_t pieces = 0;
    bool writeFailed = false;
    bool proven = false;      // its end was proven: the length reached, or the chunked end
    bool resumable = false;   // the server named a validator and takes ranges
    int32_t end = HTTP_END_OPEN;
    char url[HTTP_TEXT_SIZE] = "";          // the address that answered
    char validator[HTTP_VALIDATOR_SIZE] = "";
    uint32_t started = 0;
};

void ShowProgress(Transfer* transfer) {
    // The body fills the bar's rest after the request's steps; without a
    // size the bar keeps moving as pieces arrive, so the user sees activity.
    const double start = HTTP_STEP_SENT;
    if (transfer->total > 0)
        WaitProgress(start + (100.0 - start) * static_cast<double>(transfer->received) /
                                 static_cast<double>(transfer->total));
    else
        WaitProgress(start + (transfer->pieces * 2) % static_cast<int>(100.0 - start));
}

// Writes one piece of the body to the file.
bool Store(const char* piece, int32_t length, Transfer* transfer) {
    ShowProgress(transfer);
    ++transfer->pieces;
    if (std::fwrite(piece, 1, static_cast<size_t>(length), transfer->file) !=
        static_cast<size_t>(length)) {
        transfer->writeFailed = true;
        return false;
    }
    transfer->received += length;
    LogPrint("Recieved -> [%d / %d]\n", length, ClampToInt(transfer->received));
    return true;
}

// The body: what came with the header, then every further piece until it
// ends (or the server sends more than the file's size).
void ReceiveBody(HttpReply* reply, char* buffer, int32_t size, Transfer* transfer) {
    if (reply->filled > reply->bodyStart &&
        !Store(buffer + reply->bodyStart, reply->filled - reply->bodyStart, transfer))
        return;
    int32_t piece = 0;
    while (HttpExchangeRead(reply, buffer, size, &piece)) {
        if (!Store(buffer, piece, transfer))
            return;
        // Whatever a server that keeps the connection open sends after the
        // announced length is not the file: no need to wait for its close.
        if (transfer->total >= 0 && transfer->received >= transfer->total)
            return;
    }
}

// Starts the file over: the server sends the whole of it.
bool Rewind(Transfer* transfer) {
    std::fclose(transfer->file);
    transfer->file = PlatFileOpen(transfer->partial, "wb");
    transfer->received = 0;
    return transfer->file != nullptr;
}

// Takes the reply of one part: where its bytes go in the file. 0, logged,
// when they fit nowhere.
int TakePart(const HttpReply& reply, bool resumed, Transfer* transfer) {
    const HttpReplyHeader& header = reply.header;
    if (resumed && header.status == 206) {
        if (header.rangeStart != transfer->received ||
            (transfer->total >= 0 && header.rangeTotal >= 0 && header.rangeTotal != transfer->total)) {
            LogPrint("Unexpected part of the file (%s)\n", header.statusLine);
            return 0;
        }
        if (header.rangeTotal >= 0) transfer->total = header.rangeTotal;
        return 1;
    }
    if (!resumed && header.status == 206) {
        LogPrint("Unexpected part of the file (%s)\n", header.statusLine);
        return 0;
    }
    // The whole file, from its start: the first reply, or a server that
    // ignored the range or has another file now.
    if (resumed) {
        LogPrint("The server sent the whole file again (%s)\n", header.statusLine);
        if (!Rewind(transfer)) {
            transfer->writeFailed = true;
            return 0;
        }
    }
    transfer->total = header.chunked ? -1 : header.contentLength;
    if (transfer->total >= 0)
        LogPrint("Filesize = %d (%dk)\n", ClampToInt(transfer->total),
                 ClampToInt(transfer->total >> 10));
    // A strong ETag names this very file; a date does when the server says so.
    const char* validator = header.etag[0] != '\0' ? header.etag : header.lastModified;
    StrCopyN(transfer->validator, validator, sizeof transfer->validator);
    transfer->resumable = transfer->validator[0] != '\0' && !header.noRanges;
    return 1;
}

// One request for the file, or for its rest; 1 when the part was received
// as far as it went.
int FetchPart(const char* url, int32_t useProxy, bool resumed, char* buffer, int32_t size,
              Transfer* transfer) {
    char fields[RANGE_FIELDS_SIZE] = "";
    if (resumed) {
        std::snprintf(fields, sizeof fields, "Range: bytes=%lld-\r\nIf-Range: %s\r\n",
                      static_cast<long long>(transfer->received), transfer->validator);
        LogPrint("Resuming at %d bytes\n", ClampToInt(transfer->received));
    }
    uint32_t spent = PlatTickCount() - transfer->started;
    if (spent >= DOWNLOAD_ATTEMPT_LIMIT_MS) {
        LogPrint("Attempt took longer than %d s\n", DOWNLOAD_ATTEMPT_LIMIT_MS / 1000);
        transfer->end = HTTP_END_LIMIT;
        return 0;
    }
    HttpRequest request = {resumed ? transfer->url : url, DOWNLOAD_AGENT, "GET", nullptr, 0,
                           useProxy, 1, WaitProgress, WaitWindowPoll,
                           resumed ? fields : nullptr,
                           static_cast<int32_t>(DOWNLOAD_ATTEMPT_LIMIT_MS - spent)};
    HttpReply reply;
    if (!HttpExchangeOpen(&request, buffer, size, &reply)) {
        transfer->end = reply.end;
        return 0;
    }
    StrCopyN(transfer->url, reply.url, sizeof transfer->url);
    int taken = TakePart(reply, resumed, transfer);
    if (taken)
        ReceiveBody(&reply, buffer, size, transfer);
    HttpExchangeClose(&reply);
    transfer->end = reply.end;
    if (transfer->total >= 0)
        transfer->proven = transfer->received == transfer->total;
    else
        transfer->proven = reply.end == HTTP_END_COMPLETE;
    return taken;
}

// After a part: 1 when the file should be asked for again from where it
// stopped.
bool ShouldResume(const Transfer& transfer, int64_t before, int resumes) {
    if (transfer.writeFailed || transfer.proven || !transfer.resumable) return false;
    if (transfer.total >= 0 && transfer.received > transfer.total) return false;
    // A server that closed a body of unknown length ended it, as far as anyone can tell.
    bool broken = transfer.end == HTTP_END_BROKEN || transfer.end == HTTP_END_TIMEOUT ||
                  (transfer.end == HTTP_END_CLOSED && transfer.total >= 0);
    return broken && transfer.received > before && resumes < DOWNLOAD_RESUMES_MAXIMUM;
}

// The file, resumed as far as the server allows. 1 when all its parts came.
int Receive(const char* url, int32_t useProxy, char* buffer, int32_t size, Transfer* transfer) {
    transfer->started = PlatTickCount();
    for (int resumes = 0;; ++resumes) {
        int64_t before = transfer->received;
        if (!FetchPart(url, useProxy, resumes > 0, buffer, size, transfer))
            return 0;
        if (!ShouldResume(*transfer, before, resumes))
            return 1;
    }
}

// Whether the file is whole: its size, or with nothing to prove it, the
// vendor's signature (checked afterwards).
int Complete(const InstallScript* settings, const Transfer& transfer, const char* name) {
    if (transfer.end == HTTP_END_CANCELLED || transfer.end == HTTP_END_LIMIT ||
        transfer.end == HTTP_END_TIMEOUT || transfer.end == HTTP_END_BROKEN) {
        if (transfer.total >= 0 && transfer.received != transfer.total)
            LogPrint("Sizes to not match (%d != %d)\n", ClampToInt(transfer.total),
                     ClampToInt(transfer.received));
        return 0;
    }
    if (transfer.total >= 0) {
        if (transfer.total == transfer.received)
            return 1;
        LogPrint("Sizes to not match (%d != %d)\n", ClampToInt(transfer.total),
                 ClampToInt(transfer.received));
        return 0;
    }
    if (transfer.proven)
        return 1;
    if (settings->updateKey[0] != '\0') {
        LogPrint("Nothing proves '%s' complete (no length, no chunked end): its signature "
                 "must\n",
                 name);
        return 1;
    }
    LogPrint("Refusing '%s': nothing proves it complete (no length, no chunked end) and it is "
             "not signed\n",
             name);
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

// The SHA-256 of the whole file as it lies on disk, all its parts together.
bool HashFile(const char* path, uint8_t* fileDigest) {
    FILE* file = PlatFileOpen(path, "rb");
    PlatHash hash = file ? PlatSha256Begin() : nullptr;
    bool good = hash != nullptr;
    char* block = MEM_ALLOC(char, HASH_READ_SIZE);
    size_t got = 0;
    while (good && (got = std::fread(block, 1, HASH_READ_SIZE, file)) > 0)
        good = PlatHashAdd(hash, block, got) == 1;
    good = good && !std::ferror(file);
    MEM_FREE(&block, HASH_READ_SIZE);
    if (hash)
        good = PlatHashFinish(hash, fileDigest) == 1 && good;
    if (file)
        std::fclose(file);
    if (!good)
        LogPrint("Unable to compute the SHA-256 the signature covers\n");
    return good;
}

// The received file against the block's signature, when there is a key.
int SignatureHolds(const InstallScript* settings, const VersionOffer& offer, const char* name,
                   const char* path) {
    if (settings->updateKey[0] == '\0')
        return 1;
    uint8_t fileDigest[PLAT_SHA256_SIZE];
    if (!HashFile(path, fileDigest))
        return 0;
    if (ReleaseSignatureVerify(settings->updateKey, offer.identity, offer.versionRecord, name,
                               fileDigest, offer.signature)) {
        LogPrint("Signature of '%s' verified\n", name);
        return 1;
    }
    LogPrint("Bad signature for '%s' %s (%s)\n", name, offer.versionRecord, offer.identity);
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

// The temporary file beside the target, recorded until it is gone.
bool OpenPartial(const InstallScript* settings, const char* savePath, Transfer* transfer) {
    char folder[UPDATE_TEXT_SIZE];
    if (DownloadFolder(settings, folder) && PlatTempFileName(folder, DOWNLOAD_TEMP_PREFIX,
                                                            transfer->partial)) {
        RememberPartialDownload(settings, transfer->partial);
        transfer->file = PlatFileOpen(transfer->partial, "wb");
        if (transfer->file != nullptr)
            return true;
        PlatDeleteFile(transfer->partial);
        ForgetPartialDownload(settings);
    }
    LogPrint("Unable to open file '%s'\n", savePath);
    return false;
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

    Transfer transfer;
    if (!OpenPartial(settings, session->savePath, &transfer))
        return 0;
    int received = Receive(url, useProxy, buffer, size, &transfer);
    bool written = transfer.file != nullptr && std::fclose(transfer.file) == 0 && !transfer.writeFailed;
    if (received && !written)
        LogPrint("Unable to write file '%s'\n", session->savePath);
    if (transfer.end == HTTP_END_CANCELLED || WaitWindowCancelled())
        LogPrint("Download of '%s' cancelled\n", name);

    int complete = received && written && Complete(settings, transfer, name);
    complete = complete && SignatureHolds(settings, session->offer, name, transfer.partial);
    complete = complete && PutInPlace(transfer.partial, session->savePath);
    if (!complete)
        PlatDeleteFile(transfer.partial);
    ForgetPartialDownload(settings);
    return complete;
}
