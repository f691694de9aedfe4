// The chunked transfer coding undone: sizes in hexadecimal, each chunk's
// bytes, and the last (empty) chunk that proves the body complete. Pieces
// may split the framing anywhere.
#pragma once

#include <cstdint>

enum HttpChunkedState {
    CHUNKED_SIZE,        // reading a chunk's size
    CHUNKED_EXTENSION,   // skipping the rest of the size line
    CHUNKED_DATA,        // inside a chunk
    CHUNKED_DATA_END,    // the CR LF after a chunk's bytes
    CHUNKED_TRAILER,     // the fields after the last chunk, up to an empty line
    CHUNKED_DONE,        // the body is complete
    CHUNKED_MALFORMED    // framing no sender writes; nothing more is taken
};

struct HttpChunked {
    HttpChunkedState state;
    int64_t remaining;     // bytes left in the chunk, or the size being read
    int32_t digits;        // of the size line
    int32_t lineLength;    // of the trailer line being read
};

void HttpChunkedBegin(HttpChunked* chunked);

// Undoes the framing of data[0, length) in place: the body bytes it held are
// moved to the front, and their number returned. Bytes after the body's end
// are dropped.
int32_t HttpChunkedDecode(HttpChunked* chunked, char* data, int32_t length);
