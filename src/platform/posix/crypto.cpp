// SHA-256 and ECDSA P-256 through OpenSSL's libcrypto. OpenSSL writes
// signatures in DER; the seam speaks raw r||s, so they are converted here.
#include "platform/platform.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>

#include <cstring>

struct PlatHash_ {
    EVP_MD_CTX* context;
};

namespace {

const char* const CURVE = "prime256v1";
const int COORDINATE = 32;

// The key from its parts: always the public point, the secret when given.
EVP_PKEY* KeyOf(const uint8_t* publicKey, const uint8_t* secretKey) {
    uint8_t point[1 + PLAT_P256_PUBLIC_SIZE];
    point[0] = 0x04;    // uncompressed
    std::memcpy(point + 1, publicKey, PLAT_P256_PUBLIC_SIZE);
    OSSL_PARAM_BLD* builder = OSSL_PARAM_BLD_new();
    BIGNUM* secret = secretKey ? BN_bin2bn(secretKey, PLAT_P256_SECRET_SIZE, nullptr) : nullptr;
    OSSL_PARAM* params = nullptr;
    EVP_PKEY* key = nullptr;
    if (builder && (!secretKey || secret) &&
        OSSL_PARAM_BLD_push_utf8_string(builder, OSSL_PKEY_PARAM_GROUP_NAME, CURVE, 0) &&
        OSSL_PARAM_BLD_push_octet_string(builder, OSSL_PKEY_PARAM_PUB_KEY, point, sizeof point) &&
        (!secret || OSSL_PARAM_BLD_push_BN(builder, OSSL_PKEY_PARAM_PRIV_KEY, secret)))
        params = OSSL_PARAM_BLD_to_param(builder);
    EVP_PKEY_CTX* context = EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr);
    if (params && context && EVP_PKEY_fromdata_init(context) == 1)
        EVP_PKEY_fromdata(context, &key, secret ? EVP_PKEY_KEYPAIR : EVP_PKEY_PUBLIC_KEY, params);
    EVP_PKEY_CTX_free(context);
    OSSL_PARAM_free(params);
    BN_clear_free(secret);
    OSSL_PARAM_BLD_free(builder);
    return key;
}

// 1 when OpenSSL finds the key's point on the curve.
int PointIsValid(EVP_PKEY* key) {
    EVP_PKEY_CTX* check = EVP_PKEY_CTX_new(key, nullptr);
    int valid = check && EVP_PKEY_public_check(check) == 1;
    EVP_PKEY_CTX_free(check);
    return valid;
}

}    // namespace

PlatHash PlatSha256Begin() {
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    if (!context) return nullptr;
    if (EVP_DigestInit_ex(context, EVP_sha256(), nullptr) != 1) {
        EVP_MD_CTX_free(context);
        return nullptr;
    }
    return new PlatHash_{context};
}

int PlatHashAdd(PlatHash hash, const void* data, size_t length) {
    return hash && EVP_DigestUpdate(hash->context, data, length) == 1;
}

int PlatHashFinish(PlatHash hash, uint8_t* digest) {
    if (!hash) return 0;
    unsigned int size = 0;
    int done = digest && EVP_DigestFinal_ex(hash->context, digest, &size) == 1 &&
               size == PLAT_SHA256_SIZE;
    EVP_MD_CTX_free(hash->context);
    delete hash;
    return done;
}

int PlatP256KeyUsable(const uint8_t* publicKey) {
    EVP_PKEY* key = KeyOf(publicKey, nullptr);
    int usable = key && PointIsValid(key);
    EVP_PKEY_free(key);
    return usable;
}

int PlatP256Verify(const uint8_t* publicKey, const uint8_t* digest, const uint8_t* signature) {
    EVP_PKEY* key = KeyOf(publicKey, nullptr);
    ECDSA_SIG* parts = ECDSA_SIG_new();
    BIGNUM* r = BN_bin2bn(signature, COORDINATE, nullptr);
    BIGNUM* s = BN_bin2bn(signature + COORDINATE, COORDINATE, nullptr);
    unsigned char* der = nullptr;
    int derLength = 0;
    if (parts && r && s && ECDSA_SIG_set0(parts, r, s) == 1) {
        r = s = nullptr;    // owned by parts now
        derLength = i2d_ECDSA_SIG(parts, &der);
    }
    int good = 0;
    EVP_PKEY_CTX* context = key ? EVP_PKEY_CTX_new(key, nullptr) : nullptr;
    if (context && derLength > 0 && EVP_PKEY_verify_init(context) == 1)
        good = EVP_PKEY_verify(context, der, (size_t)derLength, digest, PLAT_SHA256_SIZE) == 1;
    EVP_PKEY_CTX_free(context);
    OPENSSL_free(der);
    BN_free(r);
    BN_free(s);
    ECDSA_SIG_free(parts);
    EVP_PKEY_free(key);
    return good;
}

namespace {

// The generation step by step: the one-call form takes its curve through
// variable arguments, which the on-demand library cannot pass on.
EVP_PKEY* NewKey() {
    EVP_PKEY_CTX* context = EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr);
    EVP_PKEY* key = nullptr;
    if (context && EVP_PKEY_keygen_init(context) == 1 &&
        EVP_PKEY_CTX_set_group_name(context, "P-256") == 1)
        EVP_PKEY_generate(context, &key);
    EVP_PKEY_CTX_free(context);
    return key;
}

}    // namespace

int PlatP256Generate(uint8_t* secretKey, uint8_t* publicKey) {
    EVP_PKEY* key = NewKey();
    uint8_t point[1 + PLAT_P256_PUBLIC_SIZE];
    size_t pointLength = 0;
    BIGNUM* secret = nullptr;
    int done = key &&
               EVP_PKEY_get_octet_string_param(key, OSSL_PKEY_PARAM_PUB_KEY, point, sizeof point,
                                               &pointLength) == 1 &&
               pointLength == sizeof point && point[0] == 0x04 &&
               EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_PRIV_KEY, &secret) == 1 &&
               BN_bn2binpad(secret, secretKey, PLAT_P256_SECRET_SIZE) == PLAT_P256_SECRET_SIZE;
    if (done) std::memcpy(publicKey, point + 1, PLAT_P256_PUBLIC_SIZE);
    BN_clear_free(secret);
    EVP_PKEY_free(key);
    return done;
}

int PlatP256Sign(const uint8_t* secretKey, const uint8_t* publicKey, const uint8_t* digest,
                 uint8_t* signature) {
    EVP_PKEY* key = KeyOf(publicKey, secretKey);
    EVP_PKEY_CTX* context = key ? EVP_PKEY_CTX_new(key, nullptr) : nullptr;
    unsigned char der[128];
    size_t derLength = sizeof der;
    int done = 0;
    if (context && EVP_PKEY_sign_init(context) == 1 &&
        EVP_PKEY_sign(context, der, &derLength, digest, PLAT_SHA256_SIZE) == 1) {
        const unsigned char* cursor = der;
        ECDSA_SIG* parts = d2i_ECDSA_SIG(nullptr, &cursor, (long)derLength);
        if (parts) {
            done = BN_bn2binpad(ECDSA_SIG_get0_r(parts), signature, COORDINATE) == COORDINATE &&
                   BN_bn2binpad(ECDSA_SIG_get0_s(parts), signature + COORDINATE, COORDINATE) ==
                       COORDINATE;
            ECDSA_SIG_free(parts);
        }
    }
    EVP_PKEY_CTX_free(context);
    EVP_PKEY_free(key);
    return done;
}
