// OpenSSL's libcrypto, loaded when the run first hashes or checks a
// signature (an update), or opens an HTTPS connection. The macros of its
// headers (OPENSSL_free, BIO_clear_retry_flags, ...) end in the calls below.
#include "platform/posix/on-demand.h"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/opensslv.h>
#include <openssl/param_build.h>
#include <openssl/x509_vfy.h>

#define OPENSSL_SONAME_(name, major) "lib" name ".so." #major
#define OPENSSL_SONAME(name, major) OPENSSL_SONAME_(name, major)

namespace {

void* Crypto() {
    static void* const library = OnDemandOpen(OPENSSL_SONAME("crypto", OPENSSL_VERSION_MAJOR));
    return library;
}

}  // namespace

#define CRYPTO_FUNCTION(result, name, parameters, arguments) \
    ON_DEMAND(Crypto(), result, name, parameters, arguments)

// Errors and memory.
CRYPTO_FUNCTION(unsigned long, ERR_peek_last_error, (void), ())
CRYPTO_FUNCTION(void, ERR_error_string_n, (unsigned long error, char* text, size_t size),
                (error, text, size))
CRYPTO_FUNCTION(void, ERR_clear_error, (void), ())
CRYPTO_FUNCTION(void, CRYPTO_free, (void* block, const char* file, int line), (block, file, line))

// The transport BIO of a TLS connection, and its certificate check.
CRYPTO_FUNCTION(int, BIO_get_new_index, (void), ())
CRYPTO_FUNCTION(BIO_METHOD*, BIO_meth_new, (int type, const char* name), (type, name))
CRYPTO_FUNCTION(int, BIO_meth_set_write,
                (BIO_METHOD * method, int (*write)(BIO*, const char*, int)), (method, write))
CRYPTO_FUNCTION(int, BIO_meth_set_read, (BIO_METHOD * method, int (*read)(BIO*, char*, int)),
                (method, read))
CRYPTO_FUNCTION(int, BIO_meth_set_ctrl,
                (BIO_METHOD * method, long (*control)(BIO*, int, long, void*)), (method, control))
CRYPTO_FUNCTION(BIO*, BIO_new, (const BIO_METHOD* method), (method))
CRYPTO_FUNCTION(int, BIO_free, (BIO * bio), (bio))
CRYPTO_FUNCTION(void*, BIO_get_data, (BIO * bio), (bio))
CRYPTO_FUNCTION(void, BIO_set_data, (BIO * bio, void* data), (bio, data))
CRYPTO_FUNCTION(void, BIO_set_init, (BIO * bio, int init), (bio, init))
CRYPTO_FUNCTION(void, BIO_clear_flags, (BIO * bio, int flags), (bio, flags))
CRYPTO_FUNCTION(int, X509_VERIFY_PARAM_set1_ip_asc, (X509_VERIFY_PARAM * param, const char* ip),
                (param, ip))
CRYPTO_FUNCTION(const char*, X509_verify_cert_error_string, (long error), (error))

// SHA-256.
CRYPTO_FUNCTION(EVP_MD_CTX*, EVP_MD_CTX_new, (void), ())
CRYPTO_FUNCTION(void, EVP_MD_CTX_free, (EVP_MD_CTX * context), (context))
CRYPTO_FUNCTION(const EVP_MD*, EVP_sha256, (void), ())
CRYPTO_FUNCTION(int, EVP_DigestInit_ex, (EVP_MD_CTX * context, const EVP_MD* type, ENGINE* engine),
                (context, type, engine))
CRYPTO_FUNCTION(int, EVP_DigestUpdate, (EVP_MD_CTX * context, const void* data, size_t length),
                (context, data, length))
CRYPTO_FUNCTION(int, EVP_DigestFinal_ex,
                (EVP_MD_CTX * context, unsigned char* digest, unsigned int* size),
                (context, digest, size))

// Big numbers and key parameters.
CRYPTO_FUNCTION(BIGNUM*, BN_bin2bn, (const unsigned char* bytes, int length, BIGNUM* into),
                (bytes, length, into))
CRYPTO_FUNCTION(int, BN_bn2binpad, (const BIGNUM* number, unsigned char* to, int length),
                (number, to, length))
CRYPTO_FUNCTION(void, BN_free, (BIGNUM * number), (number))
CRYPTO_FUNCTION(void, BN_clear_free, (BIGNUM * number), (number))
CRYPTO_FUNCTION(OSSL_PARAM_BLD*, OSSL_PARAM_BLD_new, (void), ())
CRYPTO_FUNCTION(void, OSSL_PARAM_BLD_free, (OSSL_PARAM_BLD * builder), (builder))
CRYPTO_FUNCTION(int, OSSL_PARAM_BLD_push_utf8_string,
                (OSSL_PARAM_BLD * builder, const char* key, const char* text, size_t size),
                (builder, key, text, size))
CRYPTO_FUNCTION(int, OSSL_PARAM_BLD_push_octet_string,
                (OSSL_PARAM_BLD * builder, const char* key, const void* bytes, size_t size),
                (builder, key, bytes, size))
CRYPTO_FUNCTION(int, OSSL_PARAM_BLD_push_BN,
                (OSSL_PARAM_BLD * builder, const char* key, const BIGNUM* number),
                (builder, key, number))
CRYPTO_FUNCTION(OSSL_PARAM*, OSSL_PARAM_BLD_to_param, (OSSL_PARAM_BLD * builder), (builder))
CRYPTO_FUNCTION(void, OSSL_PARAM_free, (OSSL_PARAM * params), (params))

// Keys and ECDSA.
CRYPTO_FUNCTION(EVP_PKEY_CTX*, EVP_PKEY_CTX_new_from_name,
                (OSSL_LIB_CTX * library, const char* name, const char* properties),
                (library, name, properties))
CRYPTO_FUNCTION(EVP_PKEY_CTX*, EVP_PKEY_CTX_new, (EVP_PKEY * key, ENGINE* engine), (key, engine))
CRYPTO_FUNCTION(void, EVP_PKEY_CTX_free, (EVP_PKEY_CTX * context), (context))
CRYPTO_FUNCTION(int, EVP_PKEY_fromdata_init, (EVP_PKEY_CTX * context), (context))
CRYPTO_FUNCTION(int, EVP_PKEY_fromdata,
                (EVP_PKEY_CTX * context, EVP_PKEY** key, int selection, OSSL_PARAM params[]),
                (context, key, selection, params))
CRYPTO_FUNCTION(int, EVP_PKEY_public_check, (EVP_PKEY_CTX * context), (context))
CRYPTO_FUNCTION(void, EVP_PKEY_free, (EVP_PKEY * key), (key))
CRYPTO_FUNCTION(int, EVP_PKEY_keygen_init, (EVP_PKEY_CTX * context), (context))
CRYPTO_FUNCTION(int, EVP_PKEY_CTX_set_group_name, (EVP_PKEY_CTX * context, const char* name),
                (context, name))
CRYPTO_FUNCTION(int, EVP_PKEY_generate, (EVP_PKEY_CTX * context, EVP_PKEY** key), (context, key))
CRYPTO_FUNCTION(int, EVP_PKEY_get_octet_string_param,
                (const EVP_PKEY* key, const char* name, unsigned char* buffer, size_t size,
                 size_t* length),
                (key, name, buffer, size, length))
CRYPTO_FUNCTION(int, EVP_PKEY_get_bn_param, (const EVP_PKEY* key, const char* name, BIGNUM** number),
                (key, name, number))
CRYPTO_FUNCTION(int, EVP_PKEY_verify_init, (EVP_PKEY_CTX * context), (context))
CRYPTO_FUNCTION(int, EVP_PKEY_verify,
                (EVP_PKEY_CTX * context, const unsigned char* signature, size_t signatureLength,
                 const unsigned char* digest, size_t digestLength),
                (context, signature, signatureLength, digest, digestLength))
CRYPTO_FUNCTION(int, EVP_PKEY_sign_init, (EVP_PKEY_CTX * context), (context))
CRYPTO_FUNCTION(int, EVP_PKEY_sign,
                (EVP_PKEY_CTX * context, unsigned char* signature, size_t* signatureLength,
                 const unsigned char* digest, size_t digestLength),
                (context, signature, signatureLength, digest, digestLength))
CRYPTO_FUNCTION(ECDSA_SIG*, ECDSA_SIG_new, (void), ())
CRYPTO_FUNCTION(void, ECDSA_SIG_free, (ECDSA_SIG * signature), (signature))
CRYPTO_FUNCTION(int, ECDSA_SIG_set0, (ECDSA_SIG * signature, BIGNUM* r, BIGNUM* s),
                (signature, r, s))
CRYPTO_FUNCTION(const BIGNUM*, ECDSA_SIG_get0_r, (const ECDSA_SIG* signature), (signature))
CRYPTO_FUNCTION(const BIGNUM*, ECDSA_SIG_get0_s, (const ECDSA_SIG* signature), (signature))
CRYPTO_FUNCTION(int, i2d_ECDSA_SIG, (const ECDSA_SIG* signature, unsigned char** out),
                (signature, out))
CRYPTO_FUNCTION(ECDSA_SIG*, d2i_ECDSA_SIG,
                (ECDSA_SIG * *signature, const unsigned char** in, long length),
                (signature, in, length))
