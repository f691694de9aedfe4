// ffspack pack [--codepage N] PROGRAM SCRIPT OUTPUT
#include "archive.h"
#include "codepage-text.h"
#include "findings.h"
#include "host-files.h"
#include "script-text.h"
#include "subcommands.h"
#include "unsign.h"

#include "base/codepage.h"
#include "script/codepage.h"

#include <cstdlib>

namespace {

// "--codepage N" in front of the operands: the code page, or 0 for none.
bool TakeCodePage(Arguments& arguments, uint32_t* codePage) {
    *codePage = 0;
    if (arguments.empty() || arguments[0] != "--codepage") return true;
    if (arguments.size() < 2) return false;
    char* end = nullptr;
    const unsigned long number = std::strtoul(arguments[1].c_str(), &end, 10);
    if (arguments[1].empty() || *end != '\0' || !CodePageKnown(uint32_t(number))) {
        ReportError("code page '" + arguments[1] + "' is not one the program reads (" +
                    KNOWN_CODE_PAGES + ")");
        return false;
    }
    *codePage = uint32_t(number);
    arguments.erase(arguments.begin(), arguments.begin() + 2);
    return true;
}

// The UTF-8 text compiled and stored in its code page: the one it declares,
// else the one asked for (declared then in the script), else 1252.
bool CompileInCodePage(const Bytes& text, uint32_t asked, CompiledScript& compiled,
                       std::vector<ScriptProblem>& problems) {
    if (!CompileScriptText(text, compiled, problems)) return false;
    if (asked != 0 && !DeclareCodePage(compiled, asked, problems)) return false;
    const uint32_t codePage = ScriptCodePage(reinterpret_cast<const char*>(compiled.script.data()),
                                             int32_t(compiled.script.size()));
    return StoreInCodePage(compiled, codePage, problems);
}

}  // namespace

int RunPack(const Arguments& given) {
    Arguments arguments = given;
    uint32_t codePage = 0;
    if (!TakeCodePage(arguments, &codePage) || arguments.size() != 3) {
        ReportError("usage: ffspack pack [--codepage N] PROGRAM SCRIPT OUTPUT");
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
        if (!CompileInCodePage(script, codePage, compiled, problems)) {
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
