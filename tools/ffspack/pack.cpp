// ffspack pack PROGRAM SCRIPT OUTPUT
#include "archive.h"
#include "findings.h"
#include "host-files.h"
#include "script-text.h"
#include "subcommands.h"
#include "unsign.h"

int RunPack(const Arguments& arguments) {
    if (arguments.size() != 3) {
        ReportError("usage: ffspack pack PROGRAM SCRIPT OUTPUT");
        return EXIT_USAGE;
    }
    const std::string& programPath = arguments[0];
    const std::string& scriptPath = arguments[1];
    const std::string& outputPath = arguments[2];

    Bytes program, script;
    if (!ReadWholeFile(programPath, program) || !ReadWholeFile(scriptPath, script)) {
        return EXIT_FAILED;
    }

    if (!IsEngineForm(script)) {
        CompiledScript compiled;
        std::vector<ScriptProblem> problems;
        if (!CompileScriptText(script, compiled, problems)) {
            for (const ScriptProblem& problem : problems) {
                PrintFinding(stderr, scriptPath, problem.line, Severity::Error, problem.message);
            }
            return EXIT_FAILED;
        }
        script = compiled.script;
    }

    // A signature could not stay valid over a new archive: it goes, and the
    // vendor signs the packed program.
    RemovedSignature removed;
    bool wasSigned = RemoveSignature(program, &removed);

    Bytes packed;
    if (!ComposeArchive(ProgramImage(program), script, packed)) {
        ReportError("program and script together are too large for an archive");
        return EXIT_FAILED;
    }
    if (wasSigned) UpdateChecksum(packed, removed.checksumOffset);
    if (!WriteFileAtomically(outputPath, packed, true)) return EXIT_FAILED;
    if (wasSigned) {
        ReportError("'" + programPath + "' was signed: its signature is removed, '" +
                    outputPath + "' is unsigned (sign it again)");
    }
    return EXIT_OK;
}
