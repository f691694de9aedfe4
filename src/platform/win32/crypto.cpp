// SHA-256 and ECDSA P-256 through the system's CNG (bcrypt.dll), so the
// program stays one self-contained executable. CNG signs and verifies raw
// r||s, the form the seam speaks.
#include "platform/platform.h"

#include <windows.h>

#include <bcrypt.h>

#include <cstring>

struct PlatHash_ {
    BCRYPT_ALG_HANDLE algorithm;
    BCRYPT_HASH_HANDLE hash;
};

namespace {

const ULONG COORDINATE = 32;

bool Succeeded(NTSTATUS status) { return status >= 0; }

// The key from its parts: the public point, and the secret when given.
BCRYPT_KEY_HANDLE KeyOf(BCRYPT_ALG_HANDLE algorithm, const uint8_t* publicKey,
                        const uint8_t* secretKey) {
    uint8_t blob[sizeof(BCRYPT_ECCKEY_BLOB) + 3 * COORDINATE];
    BCRYPT_ECCKEY_BLOB* header = reinterpret_cast<BCRYPT_ECCKEY_BLOB*>(blob);
    header->dwMagic = secretKey ? BCRYPT_ECDSA_PRIVATE_P256_MAGIC : BCRYPT_ECDSA_PUBLIC_P256_MAGIC;
    header->cbKey = COORDINATE;
    std::memcpy(blob + sizeof *header, publicKey, PLAT_P256_PUBLIC_SIZE);
    ULONG size = sizeof *header + PLAT_P256_PUBLIC_SIZE;
    if (secretKey) {
        std::memcpy(blob + size, secretKey, PLAT_P256_SECRET_SIZE);
        size += PLAT_P256_SECRET_SIZE;
    }
    BCRYPT_KEY_HANDLE key = nullptr;
    if (!Succeeded(BCryptImportKeyPair(algorithm, nullptr,
                                       secretKey ? BCRYPT_ECCPRIVATE_BLOB : BCRYPT_ECCPUBLIC_BLOB,
                                       &key, blob, size, 0)))
        key = nullptr;
    SecureZeroMemory(blob, sizeof blob);
    return key;
}

BCRYPT_ALG_HANDLE OpenEcdsa() {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!Succeeded(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0)))
        return nullptr;
    return algorithm;
}

}    // namespace

PlatHash PlatSha256Begin() {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!Succeeded(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
        return nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (!Succeeded(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0))) {
        BCryptCloseAlgorithmProvider(algorithm, 0);
        return nullptr;
    }
    return new PlatHash_{algorithm, hash};
}

int PlatHashAdd(PlatHash hash, const void* data, size_t length) {
    if (!hash) return 0;
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    while (length > 0) {
        ULONG piece = length > 0x40000000 ? 0x40000000 : static_cast<ULONG>(length);
        if (!Succeeded(BCryptHashData(hash->hash, const_cast<PUCHAR>(bytes), piece, 0))) return 0;
        bytes += piece;
        length -= piece;
    }
    return 1;
}

int PlatHashFinish(PlatHash hash, uint8_t* digest) {
    if (!hash) return 0;
    int done = digest && Succeeded(BCryptFinishHash(hash->hash, digest, PLAT_SHA256_SIZE, 0));
    BCryptDestroyHash(hash->hash);
    BCryptCloseAlgorithmProvider(hash->algorithm, 0);
    delete hash;
    return done;
}

int PlatP256KeyUsable(const uint8_t* publicKey) {
    BCRYPT_ALG_HANDLE algorithm = OpenEcdsa();
    if (!algorithm) return 0;
    BCRYPT_KEY_HANDLE key = KeyOf(algorithm, publicKey, nullptr);
    if (key) BCryptDestroyKey(key);
    BCryptCloseAlgorithmProvider(algorithm, 0);
    return key != nullptr;
}

int PlatP256Verify(const uint8_t* publicKey, const uint8_t* digest, const uint8_t* signature) {
    BCRYPT_ALG_HANDLE algorithm = OpenEcdsa();
    if (!algorithm) return 0;
    BCRYPT_KEY_HANDLE key = KeyOf(algorithm, publicKey, nullptr);
    int good = key && Succeeded(BCryptVerifySignature(
                          key, nullptr, const_cast<PUCHAR>(digest), PLAT_SHA256_SIZE,
                          const_cast<PUCHAR>(signature), PLAT_P256_SIGNATURE_SIZE, 0));
    if (key) BCryptDestroyKey(key);
    BCryptCloseAlgorithmProvider(algorithm, 0);
    return good;
}

int PlatP256Generate(uint8_t* secretKey, uint8_t* publicKey) {
    BCRYPT_ALG_HANDLE algorithm = OpenEcdsa();
    if (!algorithm) return 0;
    BCRYPT_KEY_HANDLE key = nullptr;
    uint8_t blob[sizeof(BCRYPT_ECCKEY_BLOB) + 3 * COORDINATE];
    ULONG size = 0;
    int done = Succeeded(BCryptGenerateKeyPair(algorithm, &key, 256, 0)) &&
               Succeeded(BCryptFinalizeKeyPair(key, 0)) &&
               Succeeded(BCryptExportKey(key, nullptr, BCRYPT_ECCPRIVATE_BLOB, blob, sizeof blob,
                                         &size, 0)) &&
               size == sizeof blob;
    if (done) {
        std::memcpy(publicKey, blob + sizeof(BCRYPT_ECCKEY_BLOB), PLAT_P256_PUBLIC_SIZE);
        std::memcpy(secretKey, blob + sizeof(BCRYPT_ECCKEY_BLOB) + PLAT_P256_PUBLIC_SIZE,
                    PLAT_P256_SECRET_SIZE);
    }
    SecureZeroMemory(blob, sizeof blob);
    if (key) BCryptDestroyKey(key);
    BCryptCloseAlgorithmProvider(algorithm, 0);
    return done;
}

int PlatP256Sign(const uint8_t* secretKey, const uint8_t* publicKey, const uint8_t* digest,
                 uint8_t* signature) {
    BCRYPT_ALG_HANDLE algorithm = OpenEcdsa();
    if (!algorithm) return 0;
    BCRYPT_KEY_HANDLE key = KeyOf(algorithm, publicKey, secretKey);
    ULONG size = 0;
    int done = key &&
               Succeeded(BCryptSignHash(key, nullptr, const_cast<PUCHAR>(digest), PLAT_SHA256_SIZE,
                                        signature, PLAT_P256_SIGNATURE_SIZE, &size, 0)) &&
               size == PLAT_P256_SIGNATURE_SIZE;
    if (key) BCryptDestroyKey(key);
    BCryptCloseAlgorithmProvider(algorithm, 0);
    return done;
}
