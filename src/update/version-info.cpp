// The version information: records of 0x16, a code character and a value,
// grouped into one block per product. Servers rely on the version numbers
// being read as plain decimal numbers, so "1.10" is lower than "1.9".
#include "update/update.h"

#include "base/core.h"
#include "base/strings.h"
#include "ui/ui.h"

#include <cstdio>
#include <cstdlib>

VersionOffer UpdateOffer;

int ReadInfoLine(const char** cursor, char* buffer, int capacity) {
    CHECK_POINTER(cursor);
    CHECK_POINTER(buffer);
    const char* p = *cursor;
    int length = 0;
    while (static_cast<signed char>(*p) >= 32) {
        if (length >= capacity - 1) {
            if (capacity > 0)
                buffer[length] = '\0';
            return 0;
        }
        buffer[length++] = *p++;
    }
    buffer[length] = '\0';
    *cursor = p;
    return 1;
}

static bool IsVersionCharacter(char c) {
    return (c >= '0' && c <= '9') || c == '.';
}

int ParseVersionNumber(double* number, char* text) {
    CHECK_POINTER(number);
    CHECK_POINTER(text);
    char* end = text;
    while (IsVersionCharacter(*end))
        ++end;
    *end = '\0';
    *number = text[0] != '\0' ? std::strtod(text, nullptr) : 0.0;
    return 1;
}

int ScanVersionInfo(const char* identity, const char* reply, VersionOffer* offer) {
    CHECK_POINTER(identity);
    CHECK_POINTER(reply);
    CHECK_POINTER(offer);
    offer->identity[0] = offer->newVersionText[0] = offer->webPage[0] = '\0';
    offer->downloadUrl[0] = offer->versionRecord[0] = offer->signature[0] = '\0';
    offer->newVersion = 0.0;

    const char* p = reply;
    while (*p != '\0') {
        if (*p != VERSION_INFO_MARKER) {
            ++p;
            continue;
        }
        char code = p[1];
        if (code == '\0')
            return 0;
        p += 2;
        int read = 1;
        switch (code) {
        case '1':
            // A new block; the download address and the number carry over.
            // A signature belongs to its block alone.
            offer->newVersionText[0] = offer->webPage[0] = '\0';
            offer->versionRecord[0] = offer->signature[0] = '\0';
            read = ReadInfoLine(&p, offer->identity, sizeof offer->identity);
            break;
        case '2':
            read = ReadInfoLine(&p, offer->newVersionText, sizeof offer->newVersionText);
            if (read) {
                StrCopy(offer->versionRecord, offer->newVersionText);
                ParseVersionNumber(&offer->newVersion, offer->newVersionText);
            }
            break;
        case '3':
            read = ReadInfoLine(&p, offer->webPage, sizeof offer->webPage);
            break;
        case '4':
            read = ReadInfoLine(&p, offer->downloadUrl, sizeof offer->downloadUrl);
            break;
        case '5':
            read = ReadInfoLine(&p, offer->signature, sizeof offer->signature);
            break;
        case '0':
            if (StrEqualNoCase(offer->identity, identity))
                return 1;
            break;
        default: {
            char unknown[UPDATE_TEXT_SIZE];
            read = ReadInfoLine(&p, unknown, sizeof unknown);
            if (read)
                LogPrint("Unknown '%s'\n", unknown);
            break;
        }
        }
        if (!read)
            return 0;
    }
    return 0;
}

int ParseVersionInfo(InstallScript* settings, const char* reply, UpdateSession* session) {
    CHECK_POINTER(settings);
    CHECK_POINTER(reply);
    CHECK_POINTER(session);
    char identity[UPDATE_TEXT_SIZE];
    std::snprintf(identity, sizeof identity, "%s %s", settings->companyName, settings->productName);
    // Cuts the setting too, so the dialog shows the number as compared.
    double current = 0.0;
    ParseVersionNumber(&current, settings->productVersion);

    VersionOffer offer;
    if (!ScanVersionInfo(identity, reply, &offer))
        return 0;
    LogPrint("Match: %f %f\n", current, offer.newVersion);

    if (current < offer.newVersion) {
        session->offer = offer;
        ShowUpdateDialog(settings, session);
    } else {
        char message[UPDATE_TEXT_SIZE + 64];
        std::snprintf(message, sizeof message, "You are running the latest version of %s %s.",
                      settings->companyName, settings->productName);
        ShowMessage(message, UPDATE_CAPTION);
    }
    return 1;
}
