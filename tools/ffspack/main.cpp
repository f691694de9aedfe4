// ffspack: appends an installation script to the program as its archive, and
// takes it out again (docs/packer.md); decodes what the registration sends
// (docs/registration.md).
#include "host-files.h"
#include "subcommands.h"

#include <cstdio>
#include <cstring>

struct Subcommand {
    const char* name;
    const char* usage;
    int (*run)(const Arguments& arguments);
};

static const Subcommand SUBCOMMANDS[] = {
    {"pack", "pack [--codepage N] PROGRAM SCRIPT OUTPUT", RunPack},
    {"unpack", "unpack [--text] PACKED [OUTPUT]", RunUnpack},
    {"check", "check SCRIPT_OR_PROGRAM", RunCheck},
    {"decode-registration", "decode-registration BODY_FILE", RunDecodeRegistration},
    {"keygen", "keygen SECRET_KEY_FILE", RunKeygen},
    {"sign", "sign SECRET_KEY_FILE RELEASE_FILE IDENTITY VERSION", RunSign},
    {"verify", "verify PUBLIC_KEY RELEASE_FILE IDENTITY VERSION SIGNATURE", RunVerify},
    {"publish", "publish MANIFEST SECRET_KEY_FILE OUTDIR", RunPublish},
};

static void PrintUsage(FILE* stream) {
    const char* lead = "usage:";
    for (const Subcommand& subcommand : SUBCOMMANDS) {
        std::fprintf(stream, "%-6s ffspack %s\n", lead, subcommand.usage);
        lead = "";
    }
}

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintUsage(stderr);
        return EXIT_USAGE;
    }
    const char* name = argv[1];
    if (std::strcmp(name, "help") == 0 || std::strcmp(name, "--help") == 0 ||
        std::strcmp(name, "-h") == 0) {
        PrintUsage(stdout);
        return EXIT_OK;
    }
    for (const Subcommand& subcommand : SUBCOMMANDS) {
        if (std::strcmp(name, subcommand.name) == 0) {
            return subcommand.run(Arguments(argv + 2, argv + argc));
        }
    }
    ReportError(std::string("unknown command '") + name + "'");
    PrintUsage(stderr);
    return EXIT_USAGE;
}
