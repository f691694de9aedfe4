#include "platform/posix/cmdline.h"

#include "platform/platform.h"

#include <cstdlib>
#include <cstring>

namespace {
std::string RecordedLine;
bool Recorded = false;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool NeedsQuotes(const std::string& argument) {
    return argument.empty() || argument.find_first_of(" \t\n\v\"") != std::string::npos;
}

// Reads one argument after the program path; `cursor` ends behind it.
std::string ReadArgument(const char*& cursor) {
    std::string argument;
    bool quoted = false;
    while (*cursor && (quoted || !IsBlank(*cursor))) {
        if (*cursor == '\\') {
            size_t backslashes = strspn(cursor, "\\");
            cursor += backslashes;
            if (*cursor == '"') {
                argument.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1) {
                    argument += '"';
                    cursor++;
                }
            } else {
                argument.append(backslashes, '\\');
            }
        } else if (*cursor == '"') {
            if (quoted && cursor[1] == '"') {
                argument += '"';
                cursor += 2;
            } else {
                quoted = !quoted;
                cursor++;
            }
        } else {
            argument += *cursor++;
        }
    }
    return argument;
}

// The program path: up to the closing quote when quoted, else up to a blank.
std::string ReadProgramPath(const char*& cursor) {
    std::string path;
    if (*cursor == '"') {
        const char* end = strchr(cursor + 1, '"');
        size_t length = end ? static_cast<size_t>(end - cursor - 1) : strlen(cursor + 1);
        path.assign(cursor + 1, length);
        cursor += length + (end ? 2 : 1);
    } else {
        while (*cursor && !IsBlank(*cursor))
            path += *cursor++;
    }
    return path;
}
} // namespace

const char* PlatGetCommandLine() {
    return Recorded ? RecordedLine.c_str() : nullptr;
}

// The line a parent started this program with, when it handed it over,
// is taken as long as it still gives the arguments the program received.
static bool HandedLineFits(const char* line, int argc, const char* const* argv) {
    std::vector<std::string> arguments = SplitWindowsCommandLine(line);
    if (static_cast<int>(arguments.size()) != argc)
        return false;
    for (int i = 1; i < argc; i++) {
        if (!argv[i] || arguments[i] != argv[i])
            return false;
    }
    return true;
}

void RecordProgramArguments(int argc, const char* const* argv) {
    const char* handed = getenv(HANDED_COMMAND_LINE);
    if (handed && argc >= 1 && HandedLineFits(handed, argc, argv))
        RecordedLine = handed;
    else
        RecordedLine = ComposeWindowsCommandLine(argc, argv);
    // Meant for this program only, not for the ones it starts.
    unsetenv(HANDED_COMMAND_LINE);
    Recorded = true;
}

std::string QuoteWindowsArgument(const std::string& argument) {
    if (!NeedsQuotes(argument))
        return argument;
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            backslashes++;
            continue;
        }
        // Backslashes count only before a quote: double them there.
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        quoted += c;
        backslashes = 0;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

std::string ComposeWindowsCommandLine(int argc, const char* const* argv) {
    std::string line;
    if (argc < 1 || !argv[0])
        return line;
    std::string program = argv[0];
    bool blank = program.empty() || program.find_first_of(" \t") != std::string::npos;
    line = blank ? "\"" + program + "\"" : program;
    for (int i = 1; i < argc && argv[i]; i++)
        line += " " + QuoteWindowsArgument(argv[i]);
    return line;
}

std::vector<std::string> SplitWindowsCommandLine(const char* line) {
    std::vector<std::string> arguments;
    if (!line)
        return arguments;
    const char* cursor = line;
    arguments.push_back(ReadProgramPath(cursor));
    for (;;) {
        while (IsBlank(*cursor))
            cursor++;
        if (!*cursor)
            break;
        arguments.push_back(ReadArgument(cursor));
    }
    return arguments;
}

const char* WindowsCommandTail(const char* commandLine) {
    const char* cursor = commandLine;
    if (*cursor == '"') {
        cursor++;
        while (*cursor && *cursor != '"')
            cursor++;
        if (*cursor == '"')
            cursor++;
    } else {
        while (static_cast<unsigned char>(*cursor) > ' ')
            cursor++;
    }
    while (*cursor && static_cast<unsigned char>(*cursor) <= ' ')
        cursor++;
    return cursor;
}
