// Reading a registration as the vendor's server receives it: the header of
// lengths and CRC-32, the printable encoding, the scrambling and the
// numbered fields (docs/registration.md). Shared by the packer's decoder and
// the vendor's server, so both accept exactly the same bodies.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

struct RegistrationField {
    std::string number; // three digits
    std::string value;  // the bytes as sent
};

struct Registration {
    uint32_t bodyLength = 0;
    std::string programVersion;
    uint32_t payloadLength = 0;
    uint32_t encodedLength = 0;
    uint32_t crc = 0;
    std::vector<RegistrationField> fields; // in the order they came
};

// Checks every length, the CRC-32 and the encoding, and undoes encoding and
// scrambling. False with the failed check in `reason` for any other body.
bool DecodeRegistration(const Bytes& body, Registration& registration, std::string& reason);

// The body of a request saved whole (from "POST " to the end), or the
// bytes themselves when they are no request. False when a request has no
// end of its header.
bool RegistrationBodyOf(const Bytes& file, Bytes& body);

// Eight upper-case hexadecimal digits.
std::string Hex8(uint32_t value);
