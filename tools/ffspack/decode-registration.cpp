// ffspack decode-registration BODY_FILE
//
// What a vendor's server receives from the registration: checks the body's
// header, lengths and CRC-32, undoes the printable encoding and the
// scrambling, and prints the header's numbers and the numbered fields, one
// per line. BODY_FILE is the POST body, or the whole request as received.
#include "host-files.h"
#include "subcommands.h"

#include "register/payload.h"
#include "zunkcore/zunk-core.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const size_t LENGTH_DIGITS = 8;

struct BodyHeader {
    uint32_t bodyLength = 0;
    std::string version;
    uint32_t payloadLength = 0;
    uint32_t encodedLength = 0;
    uint32_t crc = 0;
    size_t size = 0; // characters of the header
};

// Why a body cannot be read; the subcommand reports it and fails.
struct BadBody {
    std::string reason;
};

std::string Hex8(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%.8X", value);
    return text;
}

uint32_t HexNumber(const Bytes& body, size_t at, size_t digits, const char* what) {
    if (at + digits > body.size())
        throw BadBody{std::string("cut short in the ") + what};
    uint32_t value = 0;
    for (size_t i = at; i < at + digits; i++) {
        unsigned char c = body[i];
        int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0)
            throw BadBody{std::string("the ") + what + " is not upper-case hexadecimal"};
        value = value << 4 | static_cast<uint32_t>(digit);
    }
    return value;
}

BodyHeader ReadHeader(const Bytes& body) {
    BodyHeader header;
    header.bodyLength = HexNumber(body, 0, 8, "body length");
    uint32_t versionLength = HexNumber(body, 8, 2, "version length");
    if (10 + versionLength > body.size())
        throw BadBody{"cut short in the program version"};
    header.version.assign(body.begin() + 10, body.begin() + 10 + versionLength);
    size_t at = 10 + versionLength;
    header.payloadLength = HexNumber(body, at, 8, "payload length");
    header.encodedLength = HexNumber(body, at + 8, 8, "encoded length");
    header.crc = HexNumber(body, at + 16, 8, "CRC-32");
    header.size = at + 24;
    return header;
}

void CheckLengths(const Bytes& body, const BodyHeader& header) {
    if (header.bodyLength != body.size())
        throw BadBody{"the header gives a body of " + std::to_string(header.bodyLength) +
                      " bytes, there are " + std::to_string(body.size())};
    if (header.size + header.encodedLength != body.size())
        throw BadBody{"the header gives " + std::to_string(header.encodedLength) +
                      " encoded bytes, there are " + std::to_string(body.size() - header.size)};
    uint32_t crc =
        ComputeCrc32(body.data() + header.size, static_cast<int32_t>(header.encodedLength));
    if (crc != header.crc)
        throw BadBody{"CRC-32 " + Hex8(crc) + " of the encoded text, the header gives " +
                      Hex8(header.crc)};
}

// Eight hexadecimal digits of the length, then four characters from '!' to
// '`' for every three bytes.
Bytes Unprintable(const Bytes& body, const BodyHeader& header) {
    size_t start = header.size;
    if (header.encodedLength < LENGTH_DIGITS)
        throw BadBody{"the encoded text has no length"};
    uint32_t length = HexNumber(body, start, LENGTH_DIGITS, "encoded text's length");
    if (length != header.payloadLength)
        throw BadBody{"the encoded text holds " + std::to_string(length) +
                      " bytes, the header gives " + std::to_string(header.payloadLength)};
    uint64_t groups = (uint64_t{length} + 2) / 3;
    if (LENGTH_DIGITS + 4 * groups != header.encodedLength)
        throw BadBody{std::to_string(header.encodedLength - LENGTH_DIGITS) +
                      " encoded characters cannot hold " + std::to_string(length) + " bytes"};
    Bytes payload;
    for (size_t at = start + LENGTH_DIGITS; at < body.size(); at += 4) {
        uint32_t value = 0;
        for (size_t i = at; i < at + 4; i++) {
            if (body[i] < '!' || body[i] > '`')
                throw BadBody{"byte " + std::to_string(i) + " is not part of the encoding"};
            value = value << 6 | static_cast<uint32_t>(body[i] - '!');
        }
        for (int shift = 16; shift >= 0; shift -= 8)
            payload.push_back((value >> shift) & 0xFF);
    }
    payload.resize(length);
    return payload;
}

// A value as one line: bytes outside printable ASCII and the backslash are
// written as escapes.
std::string Printable(const Bytes& payload, size_t from, size_t to) {
    std::string text;
    for (size_t i = from; i < to; i++) {
        unsigned char c = payload[i];
        if (c == '\\') {
            text += "\\\\";
        } else if (c < 32 || c > 126) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%.2X", c);
            text += escape;
        } else {
            text += static_cast<char>(c);
        }
    }
    return text;
}

bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

bool FieldStartsAt(const Bytes& payload, size_t i) {
    return payload[i] == PAYLOAD_FIELD_MARK && i + 3 < payload.size() && IsDigit(payload[i + 1]) &&
           IsDigit(payload[i + 2]) && IsDigit(payload[i + 3]);
}

// "NNN value" for every field, in the order they came.
std::vector<std::string> FieldLines(const Bytes& payload) {
    if (!FieldStartsAt(payload, 0))
        throw BadBody{"the payload does not begin with a numbered field"};
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < payload.size()) {
        size_t end = start + 4;
        while (end < payload.size() && !FieldStartsAt(payload, end))
            end++;
        lines.push_back(std::string(payload.begin() + start + 1, payload.begin() + start + 4) +
                        " " + Printable(payload, start + 4, end));
        start = end;
    }
    return lines;
}

// The body of a request saved whole, or the file itself.
Bytes BodyOf(const Bytes& file) {
    static const std::string post = "POST ", blank = "\r\n\r\n";
    if (file.size() < post.size() || !std::equal(post.begin(), post.end(), file.begin()))
        return file;
    auto end = std::search(file.begin(), file.end(), blank.begin(), blank.end());
    if (end == file.end())
        throw BadBody{"the request has no end of its header"};
    return Bytes(end + blank.size(), file.end());
}

} // namespace

int RunDecodeRegistration(const Arguments& arguments) {
    if (arguments.size() != 1) {
        ReportError("usage: ffspack decode-registration BODY_FILE");
        return EXIT_USAGE;
    }
    Bytes file;
    if (!ReadWholeFile(arguments[0], file))
        return EXIT_FAILED;
    try {
        Bytes body = BodyOf(file);
        BodyHeader header = ReadHeader(body);
        CheckLengths(body, header);
        Bytes payload = Unprintable(body, header);
        if (payload.empty())
            throw BadBody{"the payload is empty"};
        ScramblePayload(reinterpret_cast<char*>(payload.data()),
                        static_cast<int32_t>(payload.size()));
        std::vector<std::string> fields = FieldLines(payload);
        std::printf("body length     %u\n", header.bodyLength);
        std::printf("program version %s\n", header.version.c_str());
        std::printf("payload length  %u\n", header.payloadLength);
        std::printf("encoded length  %u\n", header.encodedLength);
        std::printf("CRC-32          %s\n", Hex8(header.crc).c_str());
        for (const std::string& line : fields)
            std::printf("%s\n", line.c_str());
    } catch (const BadBody& bad) {
        ReportError("'" + arguments[0] + "' is no registration: " + bad.reason);
        return EXIT_FAILED;
    }
    return EXIT_OK;
}
