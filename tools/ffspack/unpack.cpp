// ffspack unpack PACKED [OUTPUT]
#include "archive.h"
#include "host-files.h"
#include "subcommands.h"

int RunUnpack(const Arguments& arguments) {
    if (arguments.empty() || arguments.size() > 2) {
        ReportError("usage: ffspack unpack PACKED [OUTPUT]");
        return EXIT_USAGE;
    }
    const std::string& packedPath = arguments[0];

    Bytes packed;
    if (!ReadWholeFile(packedPath, packed)) return EXIT_FAILED;

    Bytes script;
    if (!ExtractScript(packed, script)) {
        ReportError("'" + packedPath + "' does not carry an archive");
        return EXIT_FAILED;
    }

    bool written = arguments.size() == 2 ? WriteFileAtomically(arguments[1], script, false)
                                         : WriteStandardOutput(script);
    return written ? EXIT_OK : EXIT_FAILED;
}
