// TLS through OpenSSL's libssl. The records travel through the core's own
// connection: a BIO whose reads and writes are the transport's calls.
#include "platform/platform.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>

struct PlatTls_ {
    SSL_CTX* context;
    SSL* ssl;
    PlatTlsTransport transport;
};

namespace {

int TransportWrite(BIO* bio, const char* data, int length) {
    auto* transport = static_cast<PlatTlsTransport*>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    return transport->send(transport->context, data, length) ? length : -1;
}

int TransportRead(BIO* bio, char* buffer, int size) {
    auto* transport = static_cast<PlatTlsTransport*>(BIO_get_data(bio));
    BIO_clear_retry_flags(bio);
    int32_t received = 0;
    // 0 is the end of the stream to libssl, as it is here.
    return transport->receive(transport->context, buffer, size, &received) ? received : 0;
}

long TransportControl(BIO*, int command, long, void*) { return command == BIO_CTRL_FLUSH; }

BIO_METHOD* TransportMethod() {
    static BIO_METHOD* method = [] {
        BIO_METHOD* made = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "transport");
        if (made) {
            BIO_meth_set_write(made, TransportWrite);
            BIO_meth_set_read(made, TransportRead);
            BIO_meth_set_ctrl(made, TransportControl);
        }
        return made;
    }();
    return method;
}

bool IsAddress(const char* host) {
    unsigned char bytes[16];
    return inet_pton(AF_INET, host, bytes) == 1 || inet_pton(AF_INET6, host, bytes) == 1;
}

// Names the host in the hello and the check: a name by SNI and name match,
// an address by address match only (SNI carries names only).
bool NameTheHost(SSL* ssl, const char* host) {
    if (IsAddress(host)) return X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host) == 1;
    return SSL_set_tlsext_host_name(ssl, host) == 1 && SSL_set1_host(ssl, host) == 1;
}

void DescribeFailure(SSL* ssl, const char* host, char* reason) {
    long verify = SSL_get_verify_result(ssl);
    if (verify == X509_V_ERR_HOSTNAME_MISMATCH || verify == X509_V_ERR_IP_ADDRESS_MISMATCH) {
        std::snprintf(reason, PLAT_TLS_REASON_SIZE, "Certificate for '%s' names another host (%ld: %s)",
                      host, verify, X509_verify_cert_error_string(verify));
    } else if (verify != X509_V_OK) {
        std::snprintf(reason, PLAT_TLS_REASON_SIZE, "Certificate for '%s' not trusted (%ld: %s)", host,
                      verify, X509_verify_cert_error_string(verify));
    } else {
        unsigned long error = ERR_peek_last_error();
        char text[160] = "the connection ended";
        if (error != 0) ERR_error_string_n(error, text, sizeof text);
        std::snprintf(reason, PLAT_TLS_REASON_SIZE, "TLS handshake with '%s' failed (%s)", host, text);
    }
}

void Free(PlatTls tls) {
    SSL_free(tls->ssl);    // frees the BIO with it
    SSL_CTX_free(tls->context);
    std::free(tls);
}

}    // namespace

PlatTls PlatTlsOpen(const PlatTlsTransport* transport, const char* host, char* reason) {
    reason[0] = '\0';
    ERR_clear_error();
    PlatTls tls = static_cast<PlatTls>(std::calloc(1, sizeof(PlatTls_)));
    if (!tls) {
        std::snprintf(reason, PLAT_TLS_REASON_SIZE, "TLS handshake with '%s' failed (no memory)", host);
        return nullptr;
    }
    tls->transport = *transport;
    tls->context = SSL_CTX_new(TLS_client_method());
    tls->ssl = nullptr;
    BIO* bio = nullptr;
    bool ready = tls->context && SSL_CTX_set_min_proto_version(tls->context, TLS1_2_VERSION) == 1 &&
                 SSL_CTX_set_default_verify_paths(tls->context) == 1;
    if (ready) {
        SSL_CTX_set_verify(tls->context, SSL_VERIFY_PEER, nullptr);
        tls->ssl = SSL_new(tls->context);
        bio = TransportMethod() ? BIO_new(TransportMethod()) : nullptr;
    }
    if (tls->ssl && bio) {
        BIO_set_data(bio, &tls->transport);
        BIO_set_init(bio, 1);
        SSL_set_bio(tls->ssl, bio, bio);
        bio = nullptr;
        if (NameTheHost(tls->ssl, host) && SSL_connect(tls->ssl) == 1) return tls;
    }
    BIO_free(bio);
    if (tls->ssl) DescribeFailure(tls->ssl, host, reason);
    else std::snprintf(reason, PLAT_TLS_REASON_SIZE, "TLS handshake with '%s' failed (no context)", host);
    Free(tls);
    return nullptr;
}

int PlatTlsSend(PlatTls tls, const void* data, int32_t length) {
    if (!tls) return 0;
    if (length <= 0) return 1;
    // Without partial writes SSL_write sends all or fails.
    return SSL_write(tls->ssl, data, length) == length;
}

int PlatTlsReceive(PlatTls tls, void* buffer, int32_t size, int32_t* received) {
    *received = 0;
    if (!tls || size <= 0) return 0;
    int got = SSL_read(tls->ssl, buffer, size);
    if (got <= 0) return 0;
    *received = got;
    return 1;
}

void PlatTlsClose(PlatTls tls) {
    if (!tls) return;
    // Only a channel still sound can say goodbye; the answer is not awaited.
    if (!(SSL_get_shutdown(tls->ssl) & SSL_SENT_SHUTDOWN) && SSL_is_init_finished(tls->ssl))
        SSL_shutdown(tls->ssl);
    ERR_clear_error();
    Free(tls);
}
