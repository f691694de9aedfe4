// vendor-server: the vendor's side of the program's registration and update
// check (docs/vendor.md).
//
//     vendor-server serve --listen ADDRESS:PORT --database DATABASE
//                         [--publish OUTDIR] [--path /cgi-bin/register]
//                         [--request-timeout SECONDS]
//     vendor-server export --database DATABASE [--since DATE] [--raw] --csv
#include "export.h"
#include "serve.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

const int EXIT_USAGE = 2;

void PrintUsage(FILE* stream) {
    std::fprintf(stream,
                 "usage: vendor-server serve --listen ADDRESS:PORT --database DATABASE\n"
                 "                           [--publish OUTDIR] [--path /cgi-bin/register]\n"
                 "                           [--request-timeout SECONDS]\n"
                 "       vendor-server export --database DATABASE [--since DATE] [--raw] --csv\n"
                 "DATABASE is an SQLite file or a postgresql:// address.\n");
}

int UsageError(const std::string& message) {
    std::fprintf(stderr, "vendor-server: %s\n", message.c_str());
    PrintUsage(stderr);
    return EXIT_USAGE;
}

// "--name value" options, and "--csv" and "--raw" alone. False for anything else.
bool ReadOptions(int argc, char** argv, std::map<std::string, std::string>& options,
                 std::string& problem) {
    for (int i = 2; i < argc; i++) {
        std::string name = argv[i];
        if (name == "--csv" || name == "--raw") {
            options[name] = "";
            continue;
        }
        if (name != "--listen" && name != "--database" && name != "--publish" &&
            name != "--path" && name != "--since" && name != "--request-timeout") {
            problem = "unknown option '" + name + "'";
            return false;
        }
        if (i + 1 >= argc) {
            problem = name + " needs a value";
            return false;
        }
        if (!options.emplace(name, argv[++i]).second) {
            problem = name + " is given twice";
            return false;
        }
    }
    return true;
}

// "127.0.0.1:8080", "[::1]:8080", ":8080" (every address).
bool ParseListen(const std::string& text, ServeOptions& serve) {
    size_t colon = text.rfind(':');
    if (colon == std::string::npos)
        return false;
    std::string host = text.substr(0, colon), port = text.substr(colon + 1);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos)
        return false;
    serve.host = host.empty() ? "0.0.0.0" : host;
    serve.port = std::atoi(port.c_str());
    return serve.port <= 65535;
}

int RunServe(std::map<std::string, std::string>& options) {
    ServeOptions serve;
    if (!options.count("--listen") || !options.count("--database"))
        return UsageError("serve needs --listen and --database");
    if (options.count("--since") || options.count("--csv") || options.count("--raw"))
        return UsageError("--since, --raw and --csv belong to export");
    if (!ParseListen(options["--listen"], serve))
        return UsageError("--listen takes ADDRESS:PORT, not '" + options["--listen"] + "'");
    serve.database = options["--database"];
    if (options.count("--publish"))
        serve.publish = options["--publish"];
    if (options.count("--path")) {
        serve.path = options["--path"];
        if (serve.path.empty() || serve.path[0] != '/')
            return UsageError("--path must begin with '/'");
    }
    if (options.count("--request-timeout")) {
        const std::string& seconds = options["--request-timeout"];
        if (seconds.empty() || seconds.size() > 5 ||
            seconds.find_first_not_of("0123456789") != std::string::npos ||
            std::atoi(seconds.c_str()) < 1)
            return UsageError("--request-timeout takes a number of seconds from 1, not '" +
                              seconds + "'");
        serve.requestSeconds = std::atoi(seconds.c_str());
    }
    return Serve(serve);
}

int RunExport(std::map<std::string, std::string>& options) {
    if (!options.count("--database") || !options.count("--csv"))
        return UsageError("export needs --database and --csv");
    if (options.count("--listen") || options.count("--publish") || options.count("--path") ||
        options.count("--request-timeout"))
        return UsageError("--listen, --publish, --path and --request-timeout belong to serve");
    std::string since;
    if (options.count("--since") && !NormalisedSince(options["--since"], since))
        return UsageError("--since takes YYYY-MM-DD or YYYY-MM-DD HH:MM:SS (UTC), not '" +
                          options["--since"] + "'");
    return ExportCsv(options["--database"], since, options.count("--raw") > 0);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return UsageError("no command");
    std::string command = argv[1];
    if (command == "help" || command == "--help" || command == "-h") {
        PrintUsage(stdout);
        return 0;
    }
    std::map<std::string, std::string> options;
    std::string problem;
    if (command != "serve" && command != "export")
        return UsageError("unknown command '" + command + "'");
    if (!ReadOptions(argc, argv, options, problem))
        return UsageError(problem);
    return command == "serve" ? RunServe(options) : RunExport(options);
}
