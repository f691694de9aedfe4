// Base64 (RFC 4648, with padding), as HTTP authentication carries
// credentials and tokens.
#pragma once

#include <cstdint>

// The encoded length of `length` bytes, terminator excluded.
int32_t Base64EncodedLength(int32_t length);
// Encodes into `output` of `size` bytes, NUL-terminated. 0 when it does not
// fit (output is then empty).
int Base64Encode(const void* data, int32_t length, char* output, int32_t size);
// Decodes `text` (blanks ignored) into `output`. The decoded length, or -1
// when the text is not Base64 or does not fit.
int32_t Base64Decode(const char* text, void* output, int32_t size);
