// POSIX backend, section 13 of the seam: the double-byte code pages through
// iconv of the C library, under the names Windows gives them.
#include "platform/platform.h"

#include <cerrno>
#include <cstdio>
#include <iconv.h>

namespace {

class Converter {
  public:
    Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~Converter() {
        if (usable()) iconv_close(handle_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool usable() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
    // Converts as far as it can; errno tells why it stopped.
    size_t convert(const char** in, size_t* inLeft, char** out, size_t* outLeft) {
        return iconv(handle_, const_cast<char**>(in), inLeft, out, outLeft);
    }

  private:
    iconv_t handle_;
};

bool NameOf(uint32_t codePage, char* name, size_t size) {
    if (codePage != 932 && codePage != 936 && codePage != 949 && codePage != 950) return false;
    std::snprintf(name, size, "CP%u", static_cast<unsigned>(codePage));
    return true;
}

// The bytes of the UTF-8 character that starts with `lead`.
size_t Utf8Length(unsigned char lead) {
    return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

// Converts `text`, each piece the converter refuses becoming '?' counted in
// *refused (skipping `skip(lead)` bytes of it). -1 when the output is full
// or the code page unknown.
int32_t Convert(const char* to, const char* from, const char* text, int32_t length, char* out,
                int32_t capacity, size_t (*skip)(unsigned char), int32_t* refused) {
    Converter converter(to, from);
    if (!converter.usable()) return -1;
    const char* in = text;
    size_t inLeft = static_cast<size_t>(length);
    char* cursor = out;
    size_t outLeft = static_cast<size_t>(capacity);
    while (inLeft > 0) {
        if (converter.convert(&in, &inLeft, &cursor, &outLeft) != static_cast<size_t>(-1)) break;
        if (errno == E2BIG || outLeft == 0) return -1;
        // EILSEQ or EINVAL: a character it cannot take, or cut short.
        const size_t size = skip(static_cast<unsigned char>(*in));
        const size_t skipped = size < inLeft ? size : inLeft;
        in += skipped;
        inLeft -= skipped;
        *cursor++ = '?';
        --outLeft;
        ++*refused;
    }
    return static_cast<int32_t>(cursor - out);
}

size_t OneByte(unsigned char) { return 1; }

}  // namespace

int32_t PlatCodePageToUtf8(uint32_t codePage, const char* text, int32_t length, char* out,
                           int32_t capacity) {
    char name[16];
    if (!NameOf(codePage, name, sizeof name)) return -1;
    int32_t refused = 0;
    return Convert("UTF-8", name, text, length, out, capacity, OneByte, &refused);
}

int32_t PlatUtf8ToCodePage(uint32_t codePage, const char* text, int32_t length, char* out,
                           int32_t capacity, int32_t* unrepresentable) {
    *unrepresentable = 0;
    char name[16];
    if (!NameOf(codePage, name, sizeof name)) return -1;
    return Convert(name, "UTF-8", text, length, out, capacity, Utf8Length, unrepresentable);
}
