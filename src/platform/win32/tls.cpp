// TLS through Schannel. Schannel only turns bytes into records and back; the
// records travel through the core's own connection. Wine's Schannel does not
// check the server's certificate at all, so the chain and the host name are
// validated here, after the handshake and before any request is sent, on
// every system alike.
#include "platform/platform.h"

#include <windows.h>

#define SECURITY_WIN32
#include <wincrypt.h>
#include <schannel.h>
#include <security.h>
#include <sspi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

// Raw records not yet decrypted: a whole record, handshake messages
// included, always fits.
#define TLS_INCOMING_SIZE 65536
#define TLS_PLAIN_SIZE 65536
#define TLS_HOST_SIZE 256

struct PlatTls_ {
    PlatTlsTransport transport;
    CredHandle credentials;
    CtxtHandle context;
    bool haveCredentials;
    bool haveContext;
    bool ended;
    char host[TLS_HOST_SIZE];
    wchar_t wideHost[TLS_HOST_SIZE];  // the same, for the system
    SecPkgContext_StreamSizes sizes;
    char* incoming;
    int32_t incomingLength;
    char* plain;
    int32_t plainStart;
    int32_t plainLength;
};

namespace {

const DWORD REQUEST_FLAGS = ISC_REQ_STREAM | ISC_REQ_CONFIDENTIALITY | ISC_REQ_ALLOCATE_MEMORY |
                            ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                            ISC_REQ_MANUAL_CRED_VALIDATION;

// Protocols older than TLS 1.2, refused after the handshake: asking for
// only newer ones fails where Schannel lacks them under their own flags.
const DWORD OLD_PROTOCOLS = SP_PROT_SSL2 | SP_PROT_SSL3 | SP_PROT_TLS1_0 | SP_PROT_TLS1_1;

void Describe(char* reason, const char* format, const char* host, unsigned code) {
    std::snprintf(reason, PLAT_TLS_REASON_SIZE, format, host, code);
}

bool SendToken(PlatTls tls, SecBuffer* token) {
    bool sent = true;
    if (token->pvBuffer && token->cbBuffer > 0)
        sent = tls->transport.send(tls->transport.context, token->pvBuffer,
                                   (int32_t)token->cbBuffer) == 1;
    if (token->pvBuffer) FreeContextBuffer(token->pvBuffer);
    token->pvBuffer = nullptr;
    return sent;
}

// More raw bytes behind those kept. false at the end, on failure or when
// the buffer is full.
bool ReadMore(PlatTls tls) {
    int32_t room = TLS_INCOMING_SIZE - tls->incomingLength;
    int32_t received = 0;
    if (room <= 0) return false;
    if (tls->transport.receive(tls->transport.context, tls->incoming + tls->incomingLength, room,
                               &received) != 1)
        return false;
    tls->incomingLength += received;
    return true;
}

// Keeps only the bytes Schannel left over (an EXTRA buffer) for the next
// call.
void KeepExtra(PlatTls tls, const SecBuffer* extra) {
    if (extra && extra->BufferType == SECBUFFER_EXTRA && extra->cbBuffer > 0 &&
        (int32_t)extra->cbBuffer <= tls->incomingLength) {
        std::memmove(tls->incoming, tls->incoming + tls->incomingLength - extra->cbBuffer,
                     extra->cbBuffer);
        tls->incomingLength = (int32_t)extra->cbBuffer;
    } else {
        tls->incomingLength = 0;
    }
}

// The handshake after the client's hello (and a renegotiation the server
// asks for): token for token until Schannel is done. SEC_E_OK or the
// failing status.
SECURITY_STATUS Negotiate(PlatTls tls) {
    bool needMore = tls->incomingLength == 0;
    for (;;) {
        if (needMore && !ReadMore(tls)) return SEC_E_INCOMPLETE_MESSAGE;
        SecBuffer input[2] = {{(ULONG)tls->incomingLength, SECBUFFER_TOKEN, tls->incoming},
                              {0, SECBUFFER_EMPTY, nullptr}};
        SecBuffer output[1] = {{0, SECBUFFER_TOKEN, nullptr}};
        SecBufferDesc inputDesc = {SECBUFFER_VERSION, 2, input};
        SecBufferDesc outputDesc = {SECBUFFER_VERSION, 1, output};
        ULONG attributes = 0;
        SECURITY_STATUS status = InitializeSecurityContextW(
            &tls->credentials, &tls->context, tls->wideHost, REQUEST_FLAGS, 0, 0, &inputDesc, 0,
            nullptr, &outputDesc, &attributes, nullptr);
        if (status == SEC_E_INCOMPLETE_MESSAGE) {
            needMore = true;
            continue;
        }
        if (!SendToken(tls, &output[0])) return SEC_E_INTERNAL_ERROR;
        if (FAILED(status)) return status;
        KeepExtra(tls, &input[1]);
        if (status == SEC_E_OK) return SEC_E_OK;
        // SEC_I_CONTINUE_NEEDED, or a server asking for a client
        // certificate, which this client does not have.
        needMore = tls->incomingLength == 0;
    }
}

bool Handshake(PlatTls tls, char* reason) {
    SCHANNEL_CRED credentials;
    std::memset(&credentials, 0, sizeof credentials);
    credentials.dwVersion = SCHANNEL_CRED_VERSION;
    credentials.dwFlags = SCH_CRED_NO_DEFAULT_CREDS | SCH_CRED_MANUAL_CRED_VALIDATION;
    SECURITY_STATUS status = AcquireCredentialsHandleW(
        nullptr, (SEC_WCHAR*)UNISP_NAME_W, SECPKG_CRED_OUTBOUND, nullptr, &credentials, nullptr,
        nullptr, &tls->credentials, nullptr);
    if (status != SEC_E_OK) {
        Describe(reason, "TLS handshake with '%s' failed (0x%.8X)", tls->host, (unsigned)status);
        return false;
    }
    tls->haveCredentials = true;

    SecBuffer output[1] = {{0, SECBUFFER_TOKEN, nullptr}};
    SecBufferDesc outputDesc = {SECBUFFER_VERSION, 1, output};
    ULONG attributes = 0;
    status = InitializeSecurityContextW(&tls->credentials, nullptr, tls->wideHost, REQUEST_FLAGS, 0, 0,
                                        nullptr, 0, &tls->context, &outputDesc, &attributes,
                                        nullptr);
    if (status == SEC_I_CONTINUE_NEEDED) {
        tls->haveContext = true;
        status = SendToken(tls, &output[0]) ? Negotiate(tls) : SEC_E_INTERNAL_ERROR;
    } else {
        SendToken(tls, &output[0]);
    }
    if (status != SEC_E_OK) {
        Describe(reason, "TLS handshake with '%s' failed (0x%.8X)", tls->host, (unsigned)status);
        return false;
    }
    SecPkgContext_ConnectionInfo connection;
    if (QueryContextAttributesW(&tls->context, SECPKG_ATTR_CONNECTION_INFO, &connection) ==
            SEC_E_OK &&
        (connection.dwProtocol & OLD_PROTOCOLS) != 0) {
        Describe(reason, "TLS handshake with '%s' failed (protocol 0x%.8X before TLS 1.2)",
                 tls->host, (unsigned)connection.dwProtocol);
        return false;
    }
    if (QueryContextAttributesW(&tls->context, SECPKG_ATTR_STREAM_SIZES, &tls->sizes) !=
            SEC_E_OK ||
        tls->sizes.cbHeader + tls->sizes.cbMaximumMessage + tls->sizes.cbTrailer >
            TLS_INCOMING_SIZE) {
        Describe(reason, "TLS handshake with '%s' failed (0x%.8X)", tls->host,
                 (unsigned)SEC_E_INTERNAL_ERROR);
        return false;
    }
    return true;
}

// The error a chain's trust status stands for, as the policy check would
// name it.
unsigned ChainError(DWORD trust) {
    if (trust & CERT_TRUST_IS_NOT_TIME_VALID) return (unsigned)CERT_E_EXPIRED;
    if (trust & CERT_TRUST_IS_REVOKED) return (unsigned)CRYPT_E_REVOKED;
    if (trust & CERT_TRUST_IS_UNTRUSTED_ROOT) return (unsigned)CERT_E_UNTRUSTEDROOT;
    if (trust & CERT_TRUST_IS_PARTIAL_CHAIN) return (unsigned)CERT_E_CHAINING;
    if (trust & CERT_TRUST_IS_NOT_VALID_FOR_USAGE) return (unsigned)CERT_E_WRONG_USAGE;
    return (unsigned)TRUST_E_FAIL;
}

// The server's certificate: a chain to a trusted root without any error
// (the policy check alone lets an incomplete chain pass under Wine), then
// the SSL policy with the host name.
bool CertificateHolds(PlatTls tls, char* reason) {
    PCCERT_CONTEXT certificate = nullptr;
    if (QueryContextAttributesW(&tls->context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) !=
            SEC_E_OK ||
        !certificate) {
        Describe(reason, "Certificate for '%s' not trusted (0x%.8X)", tls->host,
                 (unsigned)SEC_E_NO_CREDENTIALS);
        return false;
    }
    LPSTR usages[] = {(LPSTR)szOID_PKIX_KP_SERVER_AUTH};
    CERT_CHAIN_PARA parameters;
    std::memset(&parameters, 0, sizeof parameters);
    parameters.cbSize = sizeof parameters;
    parameters.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
    parameters.RequestedUsage.Usage.cUsageIdentifier = 1;
    parameters.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    bool holds = false;
    if (!CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore,
                                 &parameters, 0, nullptr, &chain)) {
        Describe(reason, "Certificate for '%s' not trusted (0x%.8X)", tls->host,
                 (unsigned)GetLastError());
    } else if (chain->TrustStatus.dwErrorStatus != 0) {
        Describe(reason, "Certificate for '%s' not trusted (0x%.8X)", tls->host,
                 ChainError(chain->TrustStatus.dwErrorStatus));
    } else {
        SSL_EXTRA_CERT_CHAIN_POLICY_PARA server;
        std::memset(&server, 0, sizeof server);
        server.cbSize = sizeof server;
        server.dwAuthType = AUTHTYPE_SERVER;
        server.pwszServerName = tls->wideHost;
        CERT_CHAIN_POLICY_PARA policy;
        std::memset(&policy, 0, sizeof policy);
        policy.cbSize = sizeof policy;
        policy.pvExtraPolicyPara = &server;
        CERT_CHAIN_POLICY_STATUS status;
        std::memset(&status, 0, sizeof status);
        status.cbSize = sizeof status;
        if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &status))
            Describe(reason, "Certificate for '%s' not trusted (0x%.8X)", tls->host,
                     (unsigned)GetLastError());
        else if (status.dwError == (DWORD)CERT_E_CN_NO_MATCH)
            Describe(reason, "Certificate for '%s' names another host (0x%.8X)", tls->host,
                     (unsigned)status.dwError);
        else if (status.dwError != 0)
            Describe(reason, "Certificate for '%s' not trusted (0x%.8X)", tls->host,
                     (unsigned)status.dwError);
        else
            holds = true;
    }
    if (chain) CertFreeCertificateChain(chain);
    CertFreeCertificateContext(certificate);
    return holds;
}

void Free(PlatTls tls) {
    if (tls->haveContext) DeleteSecurityContext(&tls->context);
    if (tls->haveCredentials) FreeCredentialsHandle(&tls->credentials);
    std::free(tls->incoming);
    std::free(tls->plain);
    std::free(tls);
}

// Decrypts the next record into the plain buffer. false at the end of the
// channel or on failure.
bool DecryptNext(PlatTls tls) {
    bool needMore = tls->incomingLength == 0;
    for (;;) {
        if (needMore && !ReadMore(tls)) return false;
        SecBuffer buffers[4] = {{(ULONG)tls->incomingLength, SECBUFFER_DATA, tls->incoming},
                                {0, SECBUFFER_EMPTY, nullptr},
                                {0, SECBUFFER_EMPTY, nullptr},
                                {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc description = {SECBUFFER_VERSION, 4, buffers};
        SECURITY_STATUS status = DecryptMessage(&tls->context, &description, 0, nullptr);
        if (status == SEC_E_INCOMPLETE_MESSAGE) {
            needMore = true;
            continue;
        }
        if (status == SEC_I_CONTEXT_EXPIRED) return false;    // the server's close
        if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE) return false;
        const SecBuffer* data = nullptr;
        const SecBuffer* extra = nullptr;
        for (const SecBuffer& buffer : buffers) {
            if (buffer.BufferType == SECBUFFER_DATA && !data) data = &buffer;
            if (buffer.BufferType == SECBUFFER_EXTRA && !extra) extra = &buffer;
        }
        int32_t length = data ? (int32_t)data->cbBuffer : 0;
        if (length > TLS_PLAIN_SIZE) return false;
        if (length > 0) std::memcpy(tls->plain, data->pvBuffer, (size_t)length);
        tls->plainStart = 0;
        tls->plainLength = length;
        KeepExtra(tls, extra);
        if (status == SEC_I_RENEGOTIATE && Negotiate(tls) != SEC_E_OK) return false;
        if (length > 0) return true;
        // Wine reports the server's close as an empty record.
        if (status == SEC_E_OK && tls->incomingLength == 0) return false;
        needMore = tls->incomingLength == 0;
    }
}

}    // namespace

PlatTls PlatTlsOpen(const PlatTlsTransport* transport, const char* host, char* reason) {
    reason[0] = '\0';
    PlatTls tls = static_cast<PlatTls>(std::calloc(1, sizeof(PlatTls_)));
    if (tls) {
        tls->incoming = static_cast<char*>(std::malloc(TLS_INCOMING_SIZE));
        tls->plain = static_cast<char*>(std::malloc(TLS_PLAIN_SIZE));
    }
    if (!tls || !tls->incoming || !tls->plain) {
        Describe(reason, "TLS handshake with '%s' failed (0x%.8X)", host,
                 (unsigned)SEC_E_INSUFFICIENT_MEMORY);
        if (tls) Free(tls);
        return nullptr;
    }
    tls->transport = *transport;
    std::snprintf(tls->host, sizeof tls->host, "%s", host);
    if (MultiByteToWideChar(CP_UTF8, 0, tls->host, -1, tls->wideHost, TLS_HOST_SIZE) == 0)
        tls->wideHost[0] = 0;
    if (Handshake(tls, reason) && CertificateHolds(tls, reason)) return tls;
    Free(tls);
    return nullptr;
}

int PlatTlsSend(PlatTls tls, const void* data, int32_t length) {
    if (!tls) return 0;
    const char* bytes = static_cast<const char*>(data);
    const SecPkgContext_StreamSizes& sizes = tls->sizes;
    char* record = static_cast<char*>(
        std::malloc(sizes.cbHeader + sizes.cbMaximumMessage + sizes.cbTrailer));
    if (!record) return 0;
    bool sent = true;
    for (int32_t done = 0; sent && done < length;) {
        int32_t piece = length - done;
        if (piece > (int32_t)sizes.cbMaximumMessage) piece = (int32_t)sizes.cbMaximumMessage;
        std::memcpy(record + sizes.cbHeader, bytes + done, (size_t)piece);
        SecBuffer buffers[4] = {{sizes.cbHeader, SECBUFFER_STREAM_HEADER, record},
                                {(ULONG)piece, SECBUFFER_DATA, record + sizes.cbHeader},
                                {sizes.cbTrailer, SECBUFFER_STREAM_TRAILER,
                                 record + sizes.cbHeader + piece},
                                {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc description = {SECBUFFER_VERSION, 4, buffers};
        sent = EncryptMessage(&tls->context, 0, &description, 0) == SEC_E_OK &&
               tls->transport.send(tls->transport.context, record,
                                   (int32_t)(buffers[0].cbBuffer + buffers[1].cbBuffer +
                                             buffers[2].cbBuffer)) == 1;
        done += piece;
    }
    std::free(record);
    return sent ? 1 : 0;
}

int PlatTlsReceive(PlatTls tls, void* buffer, int32_t size, int32_t* received) {
    *received = 0;
    if (!tls || size <= 0) return 0;
    if (tls->plainLength == 0) {
        if (tls->ended || !DecryptNext(tls)) {
            tls->ended = true;
            return 0;
        }
    }
    int32_t piece = tls->plainLength < size ? tls->plainLength : size;
    std::memcpy(buffer, tls->plain + tls->plainStart, (size_t)piece);
    tls->plainStart += piece;
    tls->plainLength -= piece;
    *received = piece;
    return 1;
}

void PlatTlsClose(PlatTls tls) {
    if (!tls) return;
    if (!tls->ended) {
        DWORD type = SCHANNEL_SHUTDOWN;
        SecBuffer control[1] = {{sizeof type, SECBUFFER_TOKEN, &type}};
        SecBufferDesc controlDesc = {SECBUFFER_VERSION, 1, control};
        if (ApplyControlToken(&tls->context, &controlDesc) == SEC_E_OK) {
            SecBuffer output[1] = {{0, SECBUFFER_TOKEN, nullptr}};
            SecBufferDesc outputDesc = {SECBUFFER_VERSION, 1, output};
            ULONG attributes = 0;
            InitializeSecurityContextW(&tls->credentials, &tls->context, tls->wideHost, REQUEST_FLAGS,
                                       0, 0, nullptr, 0, nullptr, &outputDesc, &attributes,
                                       nullptr);
            SendToken(tls, &output[0]);
        }
    }
    Free(tls);
}
