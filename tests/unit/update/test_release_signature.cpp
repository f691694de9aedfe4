// Signed releases: SHA-256 and P-256 through the system's library, and the
// check of a release against its block. The fixed signature was made by
// another implementation (the openssl command-line tool), so both builds
// prove they read the raw forms as the world writes them.
#include "update/release-signature.h"
#include "wine-difference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

namespace {

const char* const kKey =
    "4692383c9102641eb2a57d6f8519bf025fbca2e6681b1691d83292f72ab86a18"
    "1743b4be417a4a34f26629194ab30d14d779d029add1d64ee9c1a96513d71425";
// openssl dgst -sha256 -sign over "Acme Widget\n1.9\nwidget-setup.exe\n"
// and the SHA-256 of "release bytes" with "\n", as r||s.
const char* const kSignature =
    "e9f0c7eea1c90f0d2eecae269a8583d0ea49057677b5af1fd81efa34858b5de6"
    "d16a6708de83405218034e0a5ef40aad0d3aef2e95056f987bdd226abe0a9350";

std::string Sha256Hex(const std::string& text, size_t pieceSize) {
    PlatHash hash = PlatSha256Begin();
    EXPECT_NE(hash, nullptr);
    for (size_t at = 0; at < text.size(); at += pieceSize)
        EXPECT_EQ(PlatHashAdd(hash, text.data() + at, std::min(pieceSize, text.size() - at)), 1);
    uint8_t digest[PLAT_SHA256_SIZE];
    EXPECT_EQ(PlatHashFinish(hash, digest), 1);
    char hex[2 * PLAT_SHA256_SIZE + 1];
    HexEncode(digest, PLAT_SHA256_SIZE, hex);
    return hex;
}

struct FileDigest {
    uint8_t bytes[PLAT_SHA256_SIZE];
    explicit FileDigest(const std::string& content) {
        PlatHash hash = PlatSha256Begin();
        PlatHashAdd(hash, content.data(), content.size());
        PlatHashFinish(hash, bytes);
    }
};

TEST(ReleaseSignature, Sha256IsTheSameWholeOrInPieces) {
    EXPECT_EQ(Sha256Hex("", 1), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc", 1), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    std::string million(1000000, 'a');
    for (size_t piece : {size_t(1000000), size_t(4096), size_t(999)})
        EXPECT_EQ(Sha256Hex(million, piece),
                  "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0")
            << piece;
    EXPECT_EQ(PlatHashFinish(PlatSha256Begin(), nullptr), 0);    // only freed
}

TEST(ReleaseSignature, HexOnlyOfTheExactLength) {
    uint8_t bytes[2];
    EXPECT_EQ(HexDecode("aB0f", bytes, 2), 1);
    EXPECT_EQ(bytes[0], 0xab);
    EXPECT_EQ(bytes[1], 0x0f);
    for (const char* bad : {"ab0", "ab0f0", "ab0g", "", "a", " ab0"})
        EXPECT_EQ(HexDecode(bad, bytes, 2), 0) << bad;
    char text[5];
    HexEncode(bytes, 2, text);
    EXPECT_STREQ(text, "ab0f");
}

TEST(ReleaseSignature, KeysMustBePointsOfTheCurve) {
    EXPECT_EQ(ReleaseKeyIsValid(kKey), 1);
    std::string key = kKey;
    EXPECT_EQ(ReleaseKeyIsValid(key.substr(1).c_str()), 0);
    EXPECT_EQ(ReleaseKeyIsValid((key + "0").c_str()), 0);
    EXPECT_EQ(ReleaseKeyIsValid(("x" + key.substr(1)).c_str()), 0);
    EXPECT_EQ(ReleaseKeyIsValid(""), 0);
    std::string offCurve = key;
    offCurve[127] = offCurve[127] == '0' ? '1' : '0';    // Y no longer fits X
    if (KeyImportChecksTheCurve()) {
        EXPECT_EQ(ReleaseKeyIsValid(offCurve.c_str()), 0);
    }
}

// Only the release that was signed, under its name, identity and version.
TEST(ReleaseSignature, AnyChangeOfTheSignedTextIsRefused) {
    FileDigest release("release bytes");
    FileDigest other("release bytez");
    std::string badSignature = kSignature;
    badSignature[10] = badSignature[10] == 'a' ? 'b' : 'a';
    std::string upper = kSignature;
    for (char& c : upper) c = (char)toupper(c);
    struct Case {
        const char* identity;
        const char* version;
        const char* name;
        const uint8_t* digest;
        std::string signature;
        int good;
    } cases[] = {
        {"Acme Widget", "1.9", "widget-setup.exe", release.bytes, kSignature, 1},
        {"Acme Widget", "1.9", "widget-setup.exe", release.bytes, upper, 1},
        {"Acme Widget", "2.0", "widget-setup.exe", release.bytes, kSignature, 0},
        {"Acme Widget", "1.9 ", "widget-setup.exe", release.bytes, kSignature, 0},
        {"Acme Gadget", "1.9", "widget-setup.exe", release.bytes, kSignature, 0},
        {"acme widget", "1.9", "widget-setup.exe", release.bytes, kSignature, 0},
        {"Acme Widget", "1.9", "demo.exe", release.bytes, kSignature, 0},
        {"Acme Widget", "1.9", "widget-setup.exe", other.bytes, kSignature, 0},
        {"Acme Widget", "1.9", "widget-setup.exe", release.bytes, badSignature, 0},
        {"Acme Widget", "1.9", "widget-setup.exe", release.bytes, "", 0},
        {"Acme Widget", "1.9", "widget-setup.exe", release.bytes, std::string(kSignature) + "00", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReleaseSignatureVerify(kKey, c.identity, c.version, c.name, c.digest,
                                         c.signature.c_str()),
                  c.good)
            << c.identity << " / " << c.version << " / " << c.name << " / " << c.signature;
}

TEST(ReleaseSignature, MadeKeysSignWhatTheyVerify) {
    uint8_t secret[PLAT_P256_SECRET_SIZE], publicKey[PLAT_P256_PUBLIC_SIZE];
    ASSERT_EQ(PlatP256Generate(secret, publicKey), 1);
    EXPECT_EQ(PlatP256KeyUsable(publicKey), 1);
    uint8_t secondSecret[PLAT_P256_SECRET_SIZE], secondPublic[PLAT_P256_PUBLIC_SIZE];
    ASSERT_EQ(PlatP256Generate(secondSecret, secondPublic), 1);
    EXPECT_NE(std::memcmp(publicKey, secondPublic, sizeof publicKey), 0);

    FileDigest release("new release");
    uint8_t digest[PLAT_SHA256_SIZE], signature[PLAT_P256_SIGNATURE_SIZE];
    ASSERT_EQ(ReleaseMessageDigest("Tolvane Demo", "1.60", "demo.exe", release.bytes, digest), 1);
    ASSERT_EQ(PlatP256Sign(secret, publicKey, digest, signature), 1);

    char keyHex[RELEASE_KEY_HEX_LENGTH + 1], signatureHex[RELEASE_SIGNATURE_HEX_LENGTH + 1];
    HexEncode(publicKey, PLAT_P256_PUBLIC_SIZE, keyHex);
    HexEncode(signature, PLAT_P256_SIGNATURE_SIZE, signatureHex);
    EXPECT_EQ(ReleaseSignatureVerify(keyHex, "Tolvane Demo", "1.60", "demo.exe", release.bytes,
                                     signatureHex),
              1);
    HexEncode(secondPublic, PLAT_P256_PUBLIC_SIZE, keyHex);
    EXPECT_EQ(ReleaseSignatureVerify(keyHex, "Tolvane Demo", "1.60", "demo.exe", release.bytes,
                                     signatureHex),
              0);
}

}    // namespace
