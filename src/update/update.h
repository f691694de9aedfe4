// The update check: the vendor's version information for all products, the
// block of the installed product, the offer of a newer release, its
// download into the product's folder and its start with "-Quiet".
#pragma once

#include "platform/wintypes.h"
#include "script/script.h"

#include <cstdint>

#define UPDATE_CAPTION "Electronic Update..."
#define UPDATE_REPLY_SIZE 1024000
#define UPDATE_TEXT_SIZE 320        // identity, web page, download address, save path
#define UPDATE_VERSION_TEXT_SIZE 80 // the new-version text
#define UPDATE_DIALOG_TEXT_SIZE 80  // each line of the update dialog
#define UPDATE_RELEASE_PARAMETERS "-Quiet"

// Record codes of the version information: 0x16, the code, the value.
#define VERSION_INFO_MARKER 0x16

struct UpdateSession;

// The whole check, from the question to the final message. Always 1.
int CheckForUpdate(InstallScript* settings);

// One attempt at the version information: the whole reply, header
// included, NUL-terminated in `buffer` (redirects followed). 1 for a 2xx
// reply with all its announced body (or one that filled the buffer).
int FetchVersionInfo(InstallScript* settings, const char* url, int32_t useProxy, char* buffer,
                     int32_t size);

// Finds the installed product's block in the reply, compares versions and
// shows the offer (recorded in `session`) or the "latest version" message.
// 0 when the reply holds no block for the product or a value does not fit.
int ParseVersionInfo(InstallScript* settings, const char* reply, UpdateSession* session);

// What the product's block offers.
struct VersionOffer {
    char identity[UPDATE_TEXT_SIZE];
    char newVersionText[UPDATE_VERSION_TEXT_SIZE];  // cut after its number
    char versionRecord[UPDATE_VERSION_TEXT_SIZE];   // the "2" value as received
    char signature[UPDATE_TEXT_SIZE];               // the "5" value, hexadecimal
    char webPage[UPDATE_TEXT_SIZE];
    char downloadUrl[UPDATE_TEXT_SIZE];
    double newVersion;
};

// One update check, from the offer to the new release: what the dialog
// was shown for (the download is checked against its identity, version and
// signature), what the user chose and where the download went.
struct UpdateSession {
    VersionOffer offer;
    int32_t choice;                   // 1: "Download and install new version"
    char savePath[UPDATE_TEXT_SIZE];  // the download's full path, "" until known
};

// The scan of ParseVersionInfo without its messages: fills `offer` from the
// block whose identity equals `identity` (ASCII letter case ignored). 1 when
// that block ended, 0 at the end of the text or when a value does not fit.
int ScanVersionInfo(const char* identity, const char* reply, VersionOffer* offer);

// Copies one value (bytes up to the first below 32, taken as signed) and
// leaves the cursor on the byte that ended it. 0 when capacity - 1
// characters are not enough.
int ReadInfoLine(const char** cursor, char* buffer, int capacity);

// The number of the leading run of digits and points; the text is cut in
// place right after that run. An empty run gives 0. Always 1.
int ParseVersionNumber(double* number, char* text);

// Dialog 101: the offer of `session`. Sets the session's choice and
// empties its save path. Always 1.
int ShowUpdateDialog(const InstallScript* settings, UpdateSession* session);

// One attempt at the download of `url` into the session's save path. 1 when
// the file was received completely with a 2xx status, its signature (when
// the script sets a key) verified against the session's offer, and it is in
// place.
int DownloadUpdate(const InstallScript* settings, UpdateSession* session, const char* url,
                   int32_t useProxy, char* buffer, int32_t size);

// The prefix of the download's temporary file beside its target
// (UpdXXXX.TMP).
#define DOWNLOAD_TEMP_PREFIX "Upd"
// A download's whole attempt, its resumed parts included, ends after this.
#define DOWNLOAD_ATTEMPT_LIMIT_MS (60 * 60 * 1000)
// A download broken off resumes at most this many times within an attempt.
#define DOWNLOAD_RESUMES_MAXIMUM 5

// The product's folder, where downloads go, with its separator (320). 1
// when the install path could be expanded.
int DownloadFolder(const InstallScript* settings, char* folder);
// The temporary file of a download is recorded while it exists, so that a
// run killed half-way leaves nothing behind for long: the next update
// check removes it (only a file of our naming, in the product's folder).
void RememberPartialDownload(const InstallScript* settings, const char* path);
void ForgetPartialDownload(const InstallScript* settings);
void RemoveLeftoverDownload(const InstallScript* settings);

// The file name of a download address: the part after its last "/" (the
// whole address when no "/" follows its first character). 1 and the name
// in `name` (UPDATE_TEXT_SIZE) only for a plain file name: one that names
// no folder or drive and no path macro.
int DownloadFileName(const char* url, char* name);
