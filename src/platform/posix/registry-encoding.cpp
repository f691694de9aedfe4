// POSIX backend: registry files in the Windows registry editor's version 5
// format. Their text may be UTF-16LE (with a byte-order mark, as regedit
// exports it) or UTF-8; the program's strings are single bytes, so texts
// become UTF-8.
#include "platform/posix/registry-store.h"

namespace {

void AppendUtf8(uint32_t code, std::string* out) {
    if (code < 0x80) {
        out->push_back((char)code);
    } else if (code < 0x800) {
        out->push_back((char)(0xC0 | code >> 6));
        out->push_back((char)(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out->push_back((char)(0xE0 | code >> 12));
        out->push_back((char)(0x80 | (code >> 6 & 0x3F)));
        out->push_back((char)(0x80 | (code & 0x3F)));
    } else {
        out->push_back((char)(0xF0 | code >> 18));
        out->push_back((char)(0x80 | (code >> 12 & 0x3F)));
        out->push_back((char)(0x80 | (code >> 6 & 0x3F)));
        out->push_back((char)(0x80 | (code & 0x3F)));
    }
}

const char Utf8Mark[] = "\xEF\xBB\xBF";
const char Utf16LeMark[] = "\xFF\xFE";

bool StartsWith(const std::string& text, const char* prefix, size_t length) {
    return text.compare(0, length, prefix, length) == 0;
}

} // namespace

bool RegUtf16LeToUtf8(const std::string& bytes, std::string* out) {
    if (bytes.size() % 2 != 0)
        return false;
    std::string text;
    for (size_t i = 0; i < bytes.size(); i += 2) {
        uint32_t unit = (unsigned char)bytes[i] | (unsigned char)bytes[i + 1] << 8;
        if (unit >= 0xDC00 && unit < 0xE000)
            return false; // a low surrogate without its high one
        if (unit >= 0xD800 && unit < 0xDC00) {
            if (i + 3 >= bytes.size())
                return false;
            uint32_t low = (unsigned char)bytes[i + 2] | (unsigned char)bytes[i + 3] << 8;
            if (low < 0xDC00 || low >= 0xE000)
                return false;
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        }
        AppendUtf8(unit, &text);
    }
    *out = text;
    return true;
}

bool RegDecodeFileText(const std::string& raw, std::string* text, std::string* encoding,
                       std::string* reason) {
    if (StartsWith(raw, Utf16LeMark, 2)) {
        *encoding = "UTF-16LE";
        if (!RegUtf16LeToUtf8(raw.substr(2), text)) {
            *reason = "the file is not valid UTF-16LE";
            return false;
        }
        return true;
    }
    if (StartsWith(raw, Utf8Mark, 3)) {
        *encoding = "UTF-8 with a byte-order mark";
        *text = raw.substr(3);
        return true;
    }
    encoding->clear();
    *text = raw;
    return true;
}
