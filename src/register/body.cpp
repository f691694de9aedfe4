// Scrambling the payload and framing it as the body the vendor's server
// reads: a header of lengths and a CRC-32, then the printable encoding.
#include "register/payload.h"

#include "base/core.h"
#include "base/identity.h"
#include "base/strings.h"

#include <cstdio>
#include <cstring>

#define BODY_HEADER_FORMAT "%.8X%.2X%s%.8X%.8X%.8X"
#define BODY_HEADER_SIZE 64

int ScramblePayload(char* buffer, int32_t length) {
    CHECK_POINTER(buffer);
    for (int64_t i = 0; i < length; i++) {
        buffer[i] = static_cast<char>(buffer[i] ^ static_cast<uint8_t>(47 * i / 31));
    }
    return 1;
}

static int FormatHeader(char* header, uint32_t bodyLength, uint32_t payloadLength,
                        uint32_t encodedLength, uint32_t crc) {
    return std::snprintf(header, BODY_HEADER_SIZE, BODY_HEADER_FORMAT, bodyLength,
                         static_cast<unsigned>(std::strlen(PROGRAM_VERSION)), PROGRAM_VERSION,
                         payloadLength, encodedLength, crc);
}

int BuildRegistrationBody(const char* payload, int32_t length, char* body, int32_t* bodyLength) {
    CHECK_POINTER(payload);
    CHECK_POINTER(body);
    CHECK_POINTER(bodyLength);
    // The header's fields have fixed widths: zeros tell its length.
    char header[BODY_HEADER_SIZE];
    int headerLength = FormatHeader(header, 0, 0, 0, 0);

    int capacity = 2 * length - headerLength;
    int encodedLength = capacity;
    if (capacity < 1 || !EncodePrintable(reinterpret_cast<const unsigned char*>(payload), length,
                                         body + headerLength, &encodedLength)) {
        RAISE_ERROR("Encoder failed (%d / %d)!\n", length, capacity);
    }

    uint32_t crc = ComputeCrc32(body + headerLength, encodedLength);
    FormatHeader(header, static_cast<uint32_t>(headerLength + encodedLength),
                 static_cast<uint32_t>(length), static_cast<uint32_t>(encodedLength), crc);
    std::memcpy(body, header, static_cast<size_t>(headerLength));
    *bodyLength = headerLength + encodedLength;
    return 1;
}
