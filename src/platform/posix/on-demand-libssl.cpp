// OpenSSL's libssl, loaded when the run first opens an HTTPS connection.
// The macros of its header (SSL_set_tlsext_host_name, ...) end in the
// control calls below.
#include "platform/posix/on-demand.h"

#include <openssl/opensslv.h>
#include <openssl/ssl.h>

#define OPENSSL_SONAME_(name, major) "lib" name ".so." #major
#define OPENSSL_SONAME(name, major) OPENSSL_SONAME_(name, major)

namespace {

void* Ssl() {
    static void* const library = OnDemandOpen(OPENSSL_SONAME("ssl", OPENSSL_VERSION_MAJOR));
    return library;
}

}  // namespace

#define SSL_FUNCTION(result, name, parameters, arguments) \
    ON_DEMAND(Ssl(), result, name, parameters, arguments)

SSL_FUNCTION(const SSL_METHOD*, TLS_client_method, (void), ())
SSL_FUNCTION(SSL_CTX*, SSL_CTX_new, (const SSL_METHOD* method), (method))
SSL_FUNCTION(void, SSL_CTX_free, (SSL_CTX * context), (context))
SSL_FUNCTION(long, SSL_CTX_ctrl, (SSL_CTX * context, int command, long number, void* pointer),
             (context, command, number, pointer))
SSL_FUNCTION(int, SSL_CTX_set_default_verify_paths, (SSL_CTX * context), (context))
SSL_FUNCTION(void, SSL_CTX_set_verify, (SSL_CTX * context, int mode, SSL_verify_cb callback),
             (context, mode, callback))
SSL_FUNCTION(SSL*, SSL_new, (SSL_CTX * context), (context))
SSL_FUNCTION(void, SSL_free, (SSL * ssl), (ssl))
SSL_FUNCTION(void, SSL_set_bio, (SSL * ssl, BIO* read, BIO* write), (ssl, read, write))
SSL_FUNCTION(long, SSL_ctrl, (SSL * ssl, int command, long number, void* pointer),
             (ssl, command, number, pointer))
SSL_FUNCTION(int, SSL_set1_host, (SSL * ssl, const char* host), (ssl, host))
SSL_FUNCTION(X509_VERIFY_PARAM*, SSL_get0_param, (SSL * ssl), (ssl))
SSL_FUNCTION(int, SSL_connect, (SSL * ssl), (ssl))
SSL_FUNCTION(long, SSL_get_verify_result, (const SSL* ssl), (ssl))
SSL_FUNCTION(int, SSL_write, (SSL * ssl, const void* data, int length), (ssl, data, length))
SSL_FUNCTION(int, SSL_read, (SSL * ssl, void* buffer, int size), (ssl, buffer, size))
SSL_FUNCTION(int, SSL_get_shutdown, (const SSL* ssl), (ssl))
SSL_FUNCTION(int, SSL_is_init_finished, (const SSL* ssl), (ssl))
SSL_FUNCTION(int, SSL_shutdown, (SSL * ssl), (ssl))
