#include "base/base64.h"

#include "base/core.h"

namespace {

const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int ValueOf(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}    // namespace

int32_t Base64EncodedLength(int32_t length) { return (length + 2) / 3 * 4; }

int Base64Encode(const void* data, int32_t length, char* output, int32_t size) {
    CHECK_POINTER(data);
    CHECK_POINTER(output);
    if (size < 1) return 0;
    if (length < 0 || Base64EncodedLength(length) > size - 1) {
        output[0] = '\0';
        return 0;
    }
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    int32_t out = 0;
    for (int32_t at = 0; at < length; at += 3) {
        uint32_t group = (uint32_t)bytes[at] << 16;
        if (at + 1 < length) group |= (uint32_t)bytes[at + 1] << 8;
        if (at + 2 < length) group |= bytes[at + 2];
        output[out++] = alphabet[group >> 18 & 63];
        output[out++] = alphabet[group >> 12 & 63];
        output[out++] = at + 1 < length ? alphabet[group >> 6 & 63] : '=';
        output[out++] = at + 2 < length ? alphabet[group & 63] : '=';
    }
    output[out] = '\0';
    return 1;
}

int32_t Base64Decode(const char* text, void* output, int32_t size) {
    CHECK_POINTER(text);
    CHECK_POINTER(output);
    uint8_t* bytes = static_cast<uint8_t*>(output);
    uint32_t group = 0;
    int bits = 0;
    int32_t length = 0;
    bool padded = false;
    for (const char* at = text; *at; ++at) {
        if (*at == ' ' || *at == '\t' || *at == '\r' || *at == '\n') continue;
        if (*at == '=') {
            padded = true;
            continue;
        }
        int value = ValueOf(*at);
        if (value < 0 || padded) return -1;
        group = group << 6 | (uint32_t)value;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            if (length >= size) return -1;
            bytes[length++] = (uint8_t)(group >> bits);
        }
    }
    return length;
}
