#include "base/codepage.h"

#include "base/codepage-tables.h"
#include "platform/platform.h"

namespace {

const uint16_t* SingleByteTable(uint32_t codePage) {
    switch (codePage) {
    case 1250: return CODE_PAGE_1250_HIGH;
    case 1251: return CODE_PAGE_1251_HIGH;
    case 1252: return CODE_PAGE_1252_HIGH;
    default: return nullptr;
    }
}

bool IsDoubleByte(uint32_t codePage) {
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

int CodePageKnown(uint32_t codePage) {
    return SingleByteTable(codePage) != nullptr || IsDoubleByte(codePage) ? 1 : 0;
}

int32_t Utf8Decode(const char* text, int32_t length, int32_t* size) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    *size = 1;
    if (length <= 0) return -1;
    if (bytes[0] < 0x80) return bytes[0];
    int32_t count = bytes[0] >= 0xF0 && bytes[0] < 0xF5 ? 4 : bytes[0] >= 0xE0 ? 3 : bytes[0] >= 0xC2 ? 2 : 0;
    if (bytes[0] >= 0xF5 || count == 0 || count > length) return -1;
    int32_t codePoint = bytes[0] & (0x7F >> count);
    for (int32_t i = 1; i < count; ++i) {
        if (!IsContinuation(bytes[i])) return -1;
        codePoint = codePoint << 6 | (bytes[i] & 0x3F);
    }
    // Overlong forms and surrogates are no characters.
    const int32_t least[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (codePoint < least[count] || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint < 0xE000))
        return -1;
    *size = count;
    return codePoint;
}

int32_t Utf8Encode(int32_t codePoint, char* out) {
    auto* bytes = reinterpret_cast<unsigned char*>(out);
    if (codePoint < 0x80) {
        bytes[0] = static_cast<unsigned char>(codePoint);
        return 1;
    }
    if (codePoint < 0x800) {
        bytes[0] = static_cast<unsigned char>(0xC0 | codePoint >> 6);
        bytes[1] = static_cast<unsigned char>(0x80 | (codePoint & 0x3F));
        return 2;
    }
    if (codePoint < 0x10000) {
        bytes[0] = static_cast<unsigned char>(0xE0 | codePoint >> 12);
        bytes[1] = static_cast<unsigned char>(0x80 | (codePoint >> 6 & 0x3F));
        bytes[2] = static_cast<unsigned char>(0x80 | (codePoint & 0x3F));
        return 3;
    }
    bytes[0] = static_cast<unsigned char>(0xF0 | codePoint >> 18);
    bytes[1] = static_cast<unsigned char>(0x80 | (codePoint >> 12 & 0x3F));
    bytes[2] = static_cast<unsigned char>(0x80 | (codePoint >> 6 & 0x3F));
    bytes[3] = static_cast<unsigned char>(0x80 | (codePoint & 0x3F));
    return 4;
}

int32_t CodePageToUtf8(uint32_t codePage, const char* text, int32_t length, char* out,
                       int32_t capacity) {
    if (IsDoubleByte(codePage)) return PlatCodePageToUtf8(codePage, text, length, out, capacity);
    const uint16_t* table = SingleByteTable(codePage);
    if (table == nullptr) return -1;
    int32_t written = 0;
    for (int32_t i = 0; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        char character[4];
        const int32_t size = Utf8Encode(byte < 0x80 ? byte : table[byte - 0x80], character);
        if (written + size > capacity) return -1;
        for (int32_t k = 0; k < size; ++k) out[written++] = character[k];
    }
    return written;
}

static int32_t SingleByteOf(const uint16_t* table, int32_t codePoint) {
    if (codePoint >= 0 && codePoint < 0x80) return codePoint;
    for (int32_t i = 0; i < 128; ++i) {
        if (table[i] == codePoint) return 0x80 + i;
    }
    return -1;
}

int32_t Utf8ToCodePage(uint32_t codePage, const char* text, int32_t length, char* out,
                       int32_t capacity, int32_t* unrepresentable) {
    *unrepresentable = 0;
    if (IsDoubleByte(codePage))
        return PlatUtf8ToCodePage(codePage, text, length, out, capacity, unrepresentable);
    const uint16_t* table = SingleByteTable(codePage);
    if (table == nullptr) return -1;
    int32_t written = 0;
    for (int32_t i = 0; i < length;) {
        int32_t size = 0;
        int32_t byte = SingleByteOf(table, Utf8Decode(text + i, length - i, &size));
        i += size;
        if (byte < 0) {
            byte = '?';
            ++*unrepresentable;
        }
        if (written >= capacity) return -1;
        out[written++] = static_cast<char>(byte);
    }
    return written;
}
