// ffspack unpack [--text] PACKED [OUTPUT]
#include "archive.h"
#include "codepage-text.h"
#include "findings.h"
#include "host-files.h"
#include "script-text.h"
#include "subcommands.h"

int RunUnpack(const Arguments& given) {
    Arguments arguments = given;
    bool asText = !arguments.empty() && arguments[0] == "--text";
    if (asText) arguments.erase(arguments.begin());
    if (arguments.empty() || arguments.size() > 2) {
        ReportError("usage: ffspack unpack [--text] PACKED [OUTPUT]");
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
    if (asText) {
        std::string text;
        std::vector<ScriptProblem> problems;
        Bytes utf8;
        std::string why;
        if (!EngineFormToUtf8(script, utf8, why)) {
            ReportError("'" + packedPath + "': " + why);
            return EXIT_FAILED;
        }
        if (!WriteScriptText(utf8, text, problems)) {
            for (const ScriptProblem& problem : problems) {
                PrintFinding(stderr, packedPath, problem.line, Severity::Error, problem.message);
            }
            return EXIT_FAILED;
        }
        script.assign(text.begin(), text.end());
    }

    bool written = arguments.size() == 2 ? WriteFileAtomically(arguments[1], script, false)
                                         : WriteStandardOutput(script);
    return written ? EXIT_OK : EXIT_FAILED;
}
