// ffspack keygen SECRET_KEY_FILE
//
// Makes the vendor's key pair for signed releases: the secret half goes to
// a new file only its owner may read, the public half (the script's UPDATE
// KEY) is printed on one line in hexadecimal.
#include "host-files.h"
#include "secret-key.h"
#include "subcommands.h"

#include "update/release-signature.h"

#include <cstdio>
#include <cstring>

int RunKeygen(const Arguments& arguments) {
    if (arguments.size() != 1) {
        ReportError("usage: ffspack keygen SECRET_KEY_FILE");
        return EXIT_USAGE;
    }
    SecretKey key;
    if (!PlatP256Generate(key.secret, key.publicKey)) {
        ReportError("cannot generate a key pair");
        return EXIT_FAILED;
    }
    bool written = WriteSecretKey(arguments[0], key);
    char publicHex[RELEASE_KEY_HEX_LENGTH + 1];
    HexEncode(key.publicKey, PLAT_P256_PUBLIC_SIZE, publicHex);
    std::memset(&key, 0, sizeof key);
    if (!written) return EXIT_FAILED;
    std::printf("%s\n", publicHex);
    return EXIT_OK;
}
