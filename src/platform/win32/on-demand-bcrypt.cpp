// CNG through bcrypt.dll, loaded when the run first hashes or checks a
// signature (an update).
#include "platform/win32/on-demand.h"

#include <bcrypt.h>

namespace {

// The loader's own status for a DLL it cannot find; never a success.
const NTSTATUS NOT_LOADED = static_cast<NTSTATUS>(0xC0000135L);

HMODULE Bcrypt() {
    static const HMODULE library = OnDemandOpen(L"bcrypt.dll");
    return library;
}

}  // namespace

#define BCRYPT_FUNCTION(name, parameters, arguments) \
    ON_DEMAND(Bcrypt(), NTSTATUS, NOT_LOADED, name, parameters, arguments)

BCRYPT_FUNCTION(BCryptOpenAlgorithmProvider,
                (BCRYPT_ALG_HANDLE * algorithm, LPCWSTR id, LPCWSTR implementation, ULONG flags),
                (algorithm, id, implementation, flags))
BCRYPT_FUNCTION(BCryptCloseAlgorithmProvider, (BCRYPT_ALG_HANDLE algorithm, ULONG flags),
                (algorithm, flags))
BCRYPT_FUNCTION(BCryptCreateHash,
                (BCRYPT_ALG_HANDLE algorithm, BCRYPT_HASH_HANDLE* hash, PUCHAR object,
                 ULONG objectSize, PUCHAR secret, ULONG secretSize, ULONG flags),
                (algorithm, hash, object, objectSize, secret, secretSize, flags))
BCRYPT_FUNCTION(BCryptHashData, (BCRYPT_HASH_HANDLE hash, PUCHAR input, ULONG size, ULONG flags),
                (hash, input, size, flags))
BCRYPT_FUNCTION(BCryptFinishHash,
                (BCRYPT_HASH_HANDLE hash, PUCHAR output, ULONG size, ULONG flags),
                (hash, output, size, flags))
BCRYPT_FUNCTION(BCryptDestroyHash, (BCRYPT_HASH_HANDLE hash), (hash))
BCRYPT_FUNCTION(BCryptImportKeyPair,
                (BCRYPT_ALG_HANDLE algorithm, BCRYPT_KEY_HANDLE importKey, LPCWSTR blobType,
                 BCRYPT_KEY_HANDLE* key, PUCHAR input, ULONG size, ULONG flags),
                (algorithm, importKey, blobType, key, input, size, flags))
BCRYPT_FUNCTION(BCryptDestroyKey, (BCRYPT_KEY_HANDLE key), (key))
BCRYPT_FUNCTION(BCryptVerifySignature,
                (BCRYPT_KEY_HANDLE key, VOID* padding, PUCHAR hash, ULONG hashSize,
                 PUCHAR signature, ULONG signatureSize, ULONG flags),
                (key, padding, hash, hashSize, signature, signatureSize, flags))
BCRYPT_FUNCTION(BCryptSignHash,
                (BCRYPT_KEY_HANDLE key, VOID* padding, PUCHAR input, ULONG inputSize,
                 PUCHAR output, ULONG outputSize, ULONG* result, ULONG flags),
                (key, padding, input, inputSize, output, outputSize, result, flags))
BCRYPT_FUNCTION(BCryptGenerateKeyPair,
                (BCRYPT_ALG_HANDLE algorithm, BCRYPT_KEY_HANDLE* key, ULONG length, ULONG flags),
                (algorithm, key, length, flags))
BCRYPT_FUNCTION(BCryptFinalizeKeyPair, (BCRYPT_KEY_HANDLE key, ULONG flags), (key, flags))
BCRYPT_FUNCTION(BCryptExportKey,
                (BCRYPT_KEY_HANDLE key, BCRYPT_KEY_HANDLE exportKey, LPCWSTR blobType,
                 PUCHAR output, ULONG outputSize, ULONG* result, ULONG flags),
                (key, exportKey, blobType, output, outputSize, result, flags))
