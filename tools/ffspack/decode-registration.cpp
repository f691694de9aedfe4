// ffspack decode-registration BODY_FILE
//
// What a vendor's server receives from the registration: checks the body's
// header, lengths and CRC-32, undoes the printable encoding and the
// scrambling, and prints the header's numbers and the numbered fields, one
// per line. BODY_FILE is the POST body, or the whole request as received.
#include "host-files.h"
#include "subcommands.h"

#include "registration-body.h"

#include <cstdio>
#include <string>

// A value as one line: bytes outside printable ASCII and the backslash are
// written as escapes.
static std::string Printable(const std::string& value) {
    std::string text;
    for (unsigned char c : value) {
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

int RunDecodeRegistration(const Arguments& arguments) {
    if (arguments.size() != 1) {
        ReportError("usage: ffspack decode-registration BODY_FILE");
        return EXIT_USAGE;
    }
    Bytes file;
    if (!ReadWholeFile(arguments[0], file))
        return EXIT_FAILED;
    Bytes body;
    Registration registration;
    std::string reason = "the request has no end of its header";
    if (!RegistrationBodyOf(file, body) || !DecodeRegistration(body, registration, reason)) {
        ReportError("'" + arguments[0] + "' is no registration: " + reason);
        return EXIT_FAILED;
    }
    std::printf("body length     %u\n", registration.bodyLength);
    std::printf("program version %s\n", registration.programVersion.c_str());
    std::printf("payload length  %u\n", registration.payloadLength);
    std::printf("encoded length  %u\n", registration.encodedLength);
    std::printf("CRC-32          %s\n", Hex8(registration.crc).c_str());
    for (const RegistrationField& field : registration.fields)
        std::printf("%s %s\n", field.number.c_str(), Printable(field.value).c_str());
    return EXIT_OK;
}
