// Schannel through secur32.dll, loaded when the run first opens an HTTPS
// connection.
#include "platform/win32/on-demand.h"

#define SECURITY_WIN32
#include <security.h>
#include <sspi.h>

namespace {

HMODULE Secur32() {
    static const HMODULE library = OnDemandOpen(L"secur32.dll");
    return library;
}

}  // namespace

#define SECUR32_FUNCTION(name, parameters, arguments) \
    ON_DEMAND(Secur32(), SECURITY_STATUS, SEC_E_SECPKG_NOT_FOUND, name, parameters, arguments)

SECUR32_FUNCTION(AcquireCredentialsHandleW,
                 (SEC_WCHAR * principal, SEC_WCHAR* package, unsigned __LONG32 use, void* logonId,
                  void* authData, SEC_GET_KEY_FN getKey, void* getKeyArgument,
                  PCredHandle credential, PTimeStamp expiry),
                 (principal, package, use, logonId, authData, getKey, getKeyArgument, credential,
                  expiry))
SECUR32_FUNCTION(InitializeSecurityContextW,
                 (PCredHandle credential, PCtxtHandle context, SEC_WCHAR* target,
                  unsigned __LONG32 request, unsigned __LONG32 reserved1, unsigned __LONG32 representation,
                  PSecBufferDesc input, unsigned __LONG32 reserved2, PCtxtHandle newContext,
                  PSecBufferDesc output, unsigned __LONG32* attributes, PTimeStamp expiry),
                 (credential, context, target, request, reserved1, representation, input,
                  reserved2, newContext, output, attributes, expiry))
SECUR32_FUNCTION(QueryContextAttributesW,
                 (PCtxtHandle context, unsigned __LONG32 attribute, void* buffer),
                 (context, attribute, buffer))
SECUR32_FUNCTION(FreeCredentialsHandle, (PCredHandle credential), (credential))
SECUR32_FUNCTION(DeleteSecurityContext, (PCtxtHandle context), (context))
SECUR32_FUNCTION(FreeContextBuffer, (void* buffer), (buffer))
SECUR32_FUNCTION(ApplyControlToken, (PCtxtHandle context, PSecBufferDesc input), (context, input))
SECUR32_FUNCTION(EncryptMessage,
                 (PCtxtHandle context, unsigned __LONG32 quality, PSecBufferDesc message,
                  unsigned __LONG32 sequence),
                 (context, quality, message, sequence))
SECUR32_FUNCTION(DecryptMessage,
                 (PCtxtHandle context, PSecBufferDesc message, unsigned __LONG32 sequence,
                  unsigned __LONG32* quality),
                 (context, message, sequence, quality))
