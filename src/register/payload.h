// The registration payload: numbered text fields, scrambled, encoded in
// printable characters and framed by a header of lengths and a CRC-32.
//
// A field is the byte 0x02, its number in three digits and its value; a
// value loses its trailing bytes up to 32 (as signed bytes, so 0x80 to 0xFF
// go too), and a value that formats to nothing is left out.
#pragma once

#include "platform/platform.h"
#include "script/script.h"

#include <cstdint>

struct RegistrationRecord;

#define PAYLOAD_SIZE 20480
#define PAYLOAD_FIELD_MARK 0x02
#define PAYLOAD_REGISTRY_VALUE_SIZE 320

// Where the next field goes; fields never run past `end`.
struct PayloadWriter {
    char* start;
    char* position;
    char* end;
};

void PayloadWriterInit(PayloadWriter* writer, char* buffer, int32_t size);
// Formats one field at the position and advances past it (not at all for a
// left-out field). 0 only when it did not fit.
int PayloadAddField(PayloadWriter* writer, int number, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
// Adds the string value `valueName` of the open key, read with a capacity of
// 320 characters, or "Unknown" when it is absent, not a string or too long.
int PayloadAddRegistryField(PayloadWriter* writer, int number, HKEY key, const char* valueName);

// Writes every field of the registration of `details` into buffer and its
// length into *length. `text` is the REGISTER line's payload text. Always 1.
int BuildRegistrationPayload(const InstallScript* settings, const RegistrationRecord* details,
                             const char* text, char* buffer, int32_t size, int32_t* length);

// Values that are prepared before they are written.
const char* RegistrationKind(int32_t runMode);
const char* UpdatesAnswerLabel(int32_t answer);
// The operating-system line of a version query; `info` NULL when it failed.
void FormatOperatingSystem(const PlatVersionInfo* info, char* text, int size);

// XORs byte i with the low 8 bits of 47 * i / 31, in place; applying it
// twice gives the payload back.
int ScramblePayload(char* buffer, int32_t length);

// The POST body of a scrambled payload: the header
// "%.8X%.2X%s%.8X%.8X%.8X" (body length, length of the program version, the
// version, payload length, encoded length, CRC-32 of the encoded text)
// followed by the encoded text. `body` holds 2 * length bytes; an encoder
// that finds too little room there is fatal. Always 1.
int BuildRegistrationBody(const char* payload, int32_t length, char* body, int32_t* bodyLength);
