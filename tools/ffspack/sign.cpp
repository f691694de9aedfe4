// ffspack sign SECRET_KEY_FILE RELEASE_FILE IDENTITY VERSION
//
// Prints the signature the version information carries in its "5" record:
// the release's name and bytes bound to the block's identity and version.
#include "host-files.h"
#include "secret-key.h"
#include "subcommands.h"

#include "update/release-signature.h"

#include <cstdio>
#include <cstring>

int RunSign(const Arguments& arguments) {
    if (arguments.size() != 4) {
        ReportError("usage: ffspack sign SECRET_KEY_FILE RELEASE_FILE IDENTITY VERSION");
        return EXIT_USAGE;
    }
    SecretKey key;
    uint8_t fileDigest[PLAT_SHA256_SIZE];
    if (!ReadSecretKey(arguments[0], key) || !Sha256OfFile(arguments[1], fileDigest))
        return EXIT_FAILED;
    char signatureHex[RELEASE_SIGNATURE_HEX_LENGTH + 1];
    bool signedIt = SignRelease(key, fileDigest, arguments[2], arguments[3],
                                ReleaseName(arguments[1]), signatureHex);
    std::memset(&key, 0, sizeof key);
    if (!signedIt) {
        ReportError("cannot sign '" + arguments[1] + "'");
        return EXIT_FAILED;
    }
    std::printf("%s\n", signatureHex);
    return EXIT_OK;
}
