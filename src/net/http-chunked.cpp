#include "net/http-chunked.h"

#include "base/strings.h"

#include <cstring>

// A size of more than 15 hexadecimal digits is no size a sender means.
#define CHUNK_SIZE_DIGITS_MAXIMUM 15

namespace {

// One byte of framing (not a chunk's data).
void Frame(HttpChunked* chunked, char c) {
    switch (chunked->state) {
    case CHUNKED_SIZE: {
        int value = StrHexValue(c);
        if (value >= 0 && chunked->digits < CHUNK_SIZE_DIGITS_MAXIMUM) {
            chunked->remaining = chunked->remaining * 16 + value;
            ++chunked->digits;
        } else if (value < 0 && chunked->digits > 0 && c != '\n') {
            chunked->state = CHUNKED_EXTENSION;    // ";name=value", blanks, CR
        } else if (c == '\n' && chunked->digits > 0) {
            chunked->state = chunked->remaining > 0 ? CHUNKED_DATA : CHUNKED_TRAILER;
            chunked->lineLength = 0;
        } else {
            chunked->state = CHUNKED_MALFORMED;
        }
        return;
    }
    case CHUNKED_EXTENSION:
        if (c == '\n') {
            chunked->state = chunked->remaining > 0 ? CHUNKED_DATA : CHUNKED_TRAILER;
            chunked->lineLength = 0;
        }
        return;
    case CHUNKED_DATA_END:
        if (c == '\r') return;
        if (c == '\n') {
            chunked->state = CHUNKED_SIZE;
            chunked->remaining = 0;
            chunked->digits = 0;
        } else {
            chunked->state = CHUNKED_MALFORMED;
        }
        return;
    case CHUNKED_TRAILER:
        if (c == '\n') {
            if (chunked->lineLength == 0) chunked->state = CHUNKED_DONE;
            chunked->lineLength = 0;
        } else if (c != '\r') {
            ++chunked->lineLength;
        }
        return;
    default:
        return;
    }
}

}    // namespace

void HttpChunkedBegin(HttpChunked* chunked) {
    std::memset(chunked, 0, sizeof *chunked);
    chunked->state = CHUNKED_SIZE;
}

int32_t HttpChunkedDecode(HttpChunked* chunked, char* data, int32_t length) {
    int32_t out = 0;
    int32_t at = 0;
    while (at < length && chunked->state != CHUNKED_DONE && chunked->state != CHUNKED_MALFORMED) {
        if (chunked->state != CHUNKED_DATA) {
            Frame(chunked, data[at++]);
            continue;
        }
        int64_t take = length - at;
        if (take > chunked->remaining) take = chunked->remaining;
        std::memmove(data + out, data + at, (size_t)take);
        out += (int32_t)take;
        at += (int32_t)take;
        chunked->remaining -= take;
        if (chunked->remaining == 0) chunked->state = CHUNKED_DATA_END;
    }
    return out;
}
