// The certificate chain through crypt32.dll, loaded when the run first
// checks a server's certificate.
#include "platform/win32/on-demand.h"

#include <wincrypt.h>

namespace {

HMODULE Crypt32() {
    static const HMODULE library = OnDemandOpen(L"crypt32.dll");
    return library;
}

}  // namespace

#define CRYPT32_FUNCTION(result, failure, name, parameters, arguments) \
    ON_DEMAND(Crypt32(), result, failure, name, parameters, arguments)

CRYPT32_FUNCTION(WINBOOL, FALSE, CertGetCertificateChain,
                 (HCERTCHAINENGINE engine, PCCERT_CONTEXT certificate, LPFILETIME time,
                  HCERTSTORE additionalStore, PCERT_CHAIN_PARA parameters, DWORD flags,
                  LPVOID reserved, PCCERT_CHAIN_CONTEXT* chain),
                 (engine, certificate, time, additionalStore, parameters, flags, reserved, chain))
CRYPT32_FUNCTION(WINBOOL, FALSE, CertVerifyCertificateChainPolicy,
                 (LPCSTR policy, PCCERT_CHAIN_CONTEXT chain, PCERT_CHAIN_POLICY_PARA parameters,
                  PCERT_CHAIN_POLICY_STATUS status),
                 (policy, chain, parameters, status))
CRYPT32_FUNCTION(WINBOOL, FALSE, CertFreeCertificateContext, (PCCERT_CONTEXT certificate),
                 (certificate))
CRYPT32_FUNCTION(VOID, , CertFreeCertificateChain, (PCCERT_CHAIN_CONTEXT chain), (chain))
