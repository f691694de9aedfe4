// Signed releases: the vendor signs, with the secret half of a P-256 key
// pair, the text
//     IDENTITY LF VERSION LF NAME LF SHA256 LF
// (the block's "1" and "2" values as published, the release's file name and
// the SHA-256 of its bytes in lower-case hexadecimal); the program holds the
// public half and checks the signature beside the download before it puts
// the file in place. Keys and signatures are written in hexadecimal.
#pragma once

#include "platform/platform.h"

#include <cstdint>

#define RELEASE_KEY_HEX_LENGTH (2 * PLAT_P256_PUBLIC_SIZE)
#define RELEASE_SIGNATURE_HEX_LENGTH (2 * PLAT_P256_SIGNATURE_SIZE)

// Lower-case hexadecimal of `count` bytes into `text` (2 * count + 1).
void HexEncode(const uint8_t* bytes, int count, char* text);
// Exactly 2 * count hexadecimal digits (either case) into `bytes`; 0 for
// any other text.
int HexDecode(const char* text, uint8_t* bytes, int count);

// 1 when `keyHex` is a public key: 128 hexadecimal digits naming a point of
// the curve.
int ReleaseKeyIsValid(const char* keyHex);

// The SHA-256 of the signed text for a release whose bytes hash to
// `fileDigest`. 0 when the library fails.
int ReleaseMessageDigest(const char* identity, const char* version, const char* name,
                         const uint8_t* fileDigest, uint8_t* digest);

// 1 when `signatureHex` is a good signature by `keyHex` of that release.
int ReleaseSignatureVerify(const char* keyHex, const char* identity, const char* version,
                           const char* name, const uint8_t* fileDigest, const char* signatureHex);
