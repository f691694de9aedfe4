// ffspack verify PUBLIC_KEY RELEASE_FILE IDENTITY VERSION SIGNATURE
//
// Checks a release as the program will before it starts it: exit status 0
// when the signature is good, 1 otherwise.
#include "host-files.h"
#include "secret-key.h"
#include "subcommands.h"

#include "update/release-signature.h"

#include <cstdio>

int RunVerify(const Arguments& arguments) {
    if (arguments.size() != 5) {
        ReportError("usage: ffspack verify PUBLIC_KEY RELEASE_FILE IDENTITY VERSION SIGNATURE");
        return EXIT_USAGE;
    }
    if (!ReleaseKeyIsValid(arguments[0].c_str())) {
        ReportError("'" + arguments[0] + "' is no public key");
        return EXIT_FAILED;
    }
    uint8_t fileDigest[PLAT_SHA256_SIZE];
    if (!Sha256OfFile(arguments[1], fileDigest)) return EXIT_FAILED;
    if (!ReleaseSignatureVerify(arguments[0].c_str(), arguments[2].c_str(), arguments[3].c_str(),
                                ReleaseName(arguments[1]).c_str(), fileDigest,
                                arguments[4].c_str())) {
        ReportError("bad signature for '" + arguments[1] + "'");
        return EXIT_FAILED;
    }
    std::printf("good signature\n");
    return EXIT_OK;
}
