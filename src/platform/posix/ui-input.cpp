// POSIX backend: reading the user's answers from standard input.
#include "platform/posix/ui-input.h"

#include <cerrno>
#include <unistd.h>

int ReadInputLine(char* buffer, int size) {
    if (buffer == nullptr || size <= 0) return -1;
    int length = 0;
    bool readAnything = false;
    for (;;) {
        char c;
        ssize_t got = read(STDIN_FILENO, &c, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        readAnything = true;
        if (c == '\n') break;
        if (length < size - 1) buffer[length++] = c;
    }
    if (length > 0 && buffer[length - 1] == '\r') length--;
    buffer[length] = '\0';
    return readAnything ? length : -1;
}

int InputIsTerminal() { return isatty(STDIN_FILENO) ? 1 : 0; }
