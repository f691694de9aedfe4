// The vendor's secret key file, written by "ffspack keygen" and read by
// "ffspack sign" (the format is in docs/packer.md), and what signing and
// checking a release share.
#pragma once

#include "platform/platform.h"

#include <cstdint>
#include <string>

struct SecretKey {
    uint8_t secret[PLAT_P256_SECRET_SIZE];
    uint8_t publicKey[PLAT_P256_PUBLIC_SIZE];
};

// Creates the file readable by its owner alone; never replaces one.
bool WriteSecretKey(const std::string& path, const SecretKey& key);
bool ReadSecretKey(const std::string& path, SecretKey& key);

// The SHA-256 of a file's bytes, read piece by piece.
bool Sha256OfFile(const std::string& path, uint8_t* digest);

// Signs the release whose bytes hash to `fileDigest` for the block
// (identity, version) under the file name `name`: the hexadecimal signature
// in `signatureHex` (RELEASE_SIGNATURE_HEX_LENGTH + 1 characters).
bool SignRelease(const SecretKey& key, const uint8_t* fileDigest, const std::string& identity,
                 const std::string& version, const std::string& name, char* signatureHex);

// The last component of a path (after its last "/" or "\"): the name a
// release is signed under, as the program takes it from the download
// address.
std::string ReleaseName(const std::string& path);
