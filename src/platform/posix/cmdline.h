// Command lines the Windows way: one text in which arguments are quoted,
// composed from argv at start-up and split again when a program is started.
#pragma once

#include <string>
#include <vector>

// The environment variable in which a program started through
// PlatStartProcess finds the Windows command line it was started with:
// composing it again from argv would show the host's program path, and
// the run mode is chosen from the whole line.
#define HANDED_COMMAND_LINE "UNINSTALL_COMMAND_LINE"

// Remembers the program's arguments; from then on PlatGetCommandLine()
// gives them as one Windows command line: the handed line when there is one
// that splits into the same arguments, else one composed from argv. Called
// once by the entry.
void RecordProgramArguments(int argc, const char* const* argv);

// One argument quoted so that splitting gives it back unchanged:
// blanks and quotes put it in double quotes, with the backslashes before a
// quote doubled.
std::string QuoteWindowsArgument(const std::string& argument);

// The whole line. The program path is taken as typed and only put in
// quotes when it holds a blank, since Windows reads it up to its closing
// quote without escapes.
std::string ComposeWindowsCommandLine(int argc, const char* const* argv);

// Splits a line the way CommandLineToArgvW does; the first argument is
// the program path.
std::vector<std::string> SplitWindowsCommandLine(const char* line);

// The tail that the start-up code hands to WinMain: the line after the
// program path (a quoted one up to its closing quote) and the blanks after
// it. Points into `commandLine`.
const char* WindowsCommandTail(const char* commandLine);
