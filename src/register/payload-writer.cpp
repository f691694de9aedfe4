// Writing the payload's numbered fields.
#include "register/payload.h"

#include "base/core.h"
#include "base/strings.h"
#include "system/registry.h"

#include <cstdarg>
#include <cstdio>

#define FIELD_HEAD_SIZE 4 // the mark and three digits

void PayloadWriterInit(PayloadWriter* writer, char* buffer, int32_t size) {
    writer->start = writer->position = buffer;
    writer->end = buffer + (size > 0 ? size : 0);
}

int PayloadAddField(PayloadWriter* writer, int number, const char* format, ...) {
    CHECK_POINTER(writer);
    CHECK_POINTER(format);
    char* value = writer->position + FIELD_HEAD_SIZE;
    // vsnprintf ends its text with a NUL, which the next field overwrites.
    long room = writer->end - value;
    if (room < 1) {
        LogPrint("Registration field %.3d does not fit\n", number);
        return 0;
    }
    va_list arguments;
    va_start(arguments, format);
    int length = std::vsnprintf(value, static_cast<size_t>(room), format, arguments);
    va_end(arguments);
    if (length < 0 || length >= room) {
        LogPrint("Registration field %.3d does not fit\n", number);
        return 0;
    }
    if (length == 0)
        return 1; // nothing to say: the field is left out
    // Trailing blanks and control bytes go. A byte from 0x80 up is part of
    // a character (a name in Cyrillic or CJK would otherwise go whole).
    while (length > 0 && static_cast<unsigned char>(value[length - 1]) <= 32)
        length--;

    char head[FIELD_HEAD_SIZE + 1];
    std::snprintf(head, sizeof head, "%c%.3d", PAYLOAD_FIELD_MARK, number);
    for (int i = 0; i < FIELD_HEAD_SIZE; i++)
        writer->position[i] = head[i];
    writer->position = value + length;
    return 1;
}

int PayloadAddRegistryField(PayloadWriter* writer, int number, HKEY key, const char* valueName) {
    char value[PAYLOAD_REGISTRY_VALUE_SIZE];
    if (!RegistryGetString(key, valueName, value, sizeof value))
        StrCopy(value, "Unknown");
    return PayloadAddField(writer, number, "%s", value);
}
