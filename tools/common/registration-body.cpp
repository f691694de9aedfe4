#include "registration-body.h"

#include "base/core.h"
#include "register/payload.h"

#include <algorithm>
#include <cstdio>

namespace {

const size_t LENGTH_DIGITS = 8;

// Why a body cannot be read.
struct BadBody {
    std::string reason;
};

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

// The header's numbers; the number of its characters.
size_t ReadHeader(const Bytes& body, Registration& registration) {
    registration.bodyLength = HexNumber(body, 0, 8, "body length");
    uint32_t versionLength = HexNumber(body, 8, 2, "version length");
    if (10 + versionLength > body.size())
        throw BadBody{"cut short in the program version"};
    registration.programVersion.assign(body.begin() + 10, body.begin() + 10 + versionLength);
    size_t at = 10 + versionLength;
    registration.payloadLength = HexNumber(body, at, 8, "payload length");
    registration.encodedLength = HexNumber(body, at + 8, 8, "encoded length");
    registration.crc = HexNumber(body, at + 16, 8, "CRC-32");
    return at + 24;
}

void CheckLengths(const Bytes& body, const Registration& registration, size_t headerSize) {
    if (registration.bodyLength != body.size())
        throw BadBody{"the header gives a body of " + std::to_string(registration.bodyLength) +
                      " bytes, there are " + std::to_string(body.size())};
    if (headerSize + registration.encodedLength != body.size())
        throw BadBody{"the header gives " + std::to_string(registration.encodedLength) +
                      " encoded bytes, there are " + std::to_string(body.size() - headerSize)};
    uint32_t crc =
        ComputeCrc32(body.data() + headerSize, static_cast<int32_t>(registration.encodedLength));
    if (crc != registration.crc)
        throw BadBody{"CRC-32 " + Hex8(crc) + " of the encoded text, the header gives " +
                      Hex8(registration.crc)};
}

// Eight hexadecimal digits of the length, then four characters from '!' to
// '`' for every three bytes.
Bytes Unprintable(const Bytes& body, const Registration& registration, size_t start) {
    if (registration.encodedLength < LENGTH_DIGITS)
        throw BadBody{"the encoded text has no length"};
    uint32_t length = HexNumber(body, start, LENGTH_DIGITS, "encoded text's length");
    if (length != registration.payloadLength)
        throw BadBody{"the encoded text holds " + std::to_string(length) +
                      " bytes, the header gives " + std::to_string(registration.payloadLength)};
    uint64_t groups = (uint64_t{length} + 2) / 3;
    if (LENGTH_DIGITS + 4 * groups != registration.encodedLength)
        throw BadBody{std::to_string(registration.encodedLength - LENGTH_DIGITS) +
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

bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

bool FieldStartsAt(const Bytes& payload, size_t i) {
    return payload[i] == PAYLOAD_FIELD_MARK && i + 3 < payload.size() && IsDigit(payload[i + 1]) &&
           IsDigit(payload[i + 2]) && IsDigit(payload[i + 3]);
}

std::vector<RegistrationField> Fields(const Bytes& payload) {
    if (payload.empty())
        throw BadBody{"the payload is empty"};
    if (!FieldStartsAt(payload, 0))
        throw BadBody{"the payload does not begin with a numbered field"};
    std::vector<RegistrationField> fields;
    size_t start = 0;
    while (start < payload.size()) {
        size_t end = start + 4;
        while (end < payload.size() && !FieldStartsAt(payload, end))
            end++;
        fields.push_back({std::string(payload.begin() + start + 1, payload.begin() + start + 4),
                          std::string(payload.begin() + start + 4, payload.begin() + end)});
        start = end;
    }
    return fields;
}

} // namespace

std::string Hex8(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%.8X", value);
    return text;
}

bool DecodeRegistration(const Bytes& body, Registration& registration, std::string& reason) {
    try {
        registration = Registration();
        size_t headerSize = ReadHeader(body, registration);
        CheckLengths(body, registration, headerSize);
        Bytes payload = Unprintable(body, registration, headerSize);
        ScramblePayload(reinterpret_cast<char*>(payload.data()),
                        static_cast<int32_t>(payload.size()));
        registration.fields = Fields(payload);
        return true;
    } catch (const BadBody& bad) {
        reason = bad.reason;
        return false;
    }
}

bool RegistrationBodyOf(const Bytes& file, Bytes& body) {
    static const std::string post = "POST ", blank = "\r\n\r\n";
    if (file.size() < post.size() || !std::equal(post.begin(), post.end(), file.begin())) {
        body = file;
        return true;
    }
    auto end = std::search(file.begin(), file.end(), blank.begin(), blank.end());
    if (end == file.end())
        return false;
    body.assign(end + blank.size(), file.end());
    return true;
}
