#include "update/release-signature.h"

#include "base/strings.h"

#include <cstring>

namespace {

int HashText(PlatHash hash, const char* text) {
    return PlatHashAdd(hash, text, std::strlen(text)) && PlatHashAdd(hash, "\n", 1);
}

}    // namespace

void HexEncode(const uint8_t* bytes, int count, char* text) {
    static const char digits[] = "0123456789abcdef";
    for (int i = 0; i < count; ++i) {
        text[2 * i] = digits[bytes[i] >> 4];
        text[2 * i + 1] = digits[bytes[i] & 15];
    }
    text[2 * count] = '\0';
}

int HexDecode(const char* text, uint8_t* bytes, int count) {
    for (int i = 0; i < count; ++i) {
        if (text[2 * i] == '\0') return 0;
        int high = StrHexValue(text[2 * i]);
        int low = StrHexValue(text[2 * i + 1]);
        if (high < 0 || low < 0) return 0;
        bytes[i] = static_cast<uint8_t>(high << 4 | low);
    }
    return text[2 * count] == '\0';
}

int ReleaseKeyIsValid(const char* keyHex) {
    uint8_t key[PLAT_P256_PUBLIC_SIZE];
    return HexDecode(keyHex, key, sizeof key) && PlatP256KeyUsable(key);
}

int ReleaseMessageDigest(const char* identity, const char* version, const char* name,
                         const uint8_t* fileDigest, uint8_t* digest) {
    char fileHex[2 * PLAT_SHA256_SIZE + 1];
    HexEncode(fileDigest, PLAT_SHA256_SIZE, fileHex);
    PlatHash hash = PlatSha256Begin();
    if (!hash) return 0;
    if (!HashText(hash, identity) || !HashText(hash, version) || !HashText(hash, name) ||
        !HashText(hash, fileHex)) {
        PlatHashFinish(hash, nullptr);
        return 0;
    }
    return PlatHashFinish(hash, digest);
}

int ReleaseSignatureVerify(const char* keyHex, const char* identity, const char* version,
                           const char* name, const uint8_t* fileDigest, const char* signatureHex) {
    uint8_t key[PLAT_P256_PUBLIC_SIZE];
    uint8_t signature[PLAT_P256_SIGNATURE_SIZE];
    uint8_t digest[PLAT_SHA256_SIZE];
    return HexDecode(keyHex, key, sizeof key) &&
           HexDecode(signatureHex, signature, sizeof signature) &&
           ReleaseMessageDigest(identity, version, name, fileDigest, digest) &&
           PlatP256Verify(key, digest, signature);
}
