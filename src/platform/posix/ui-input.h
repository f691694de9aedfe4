// Lines typed by the user on standard input, shared by the message boxes and
// the dialogs of the POSIX backend.
#pragma once

// Reads one line from standard input without its line end ("\n" or "\r\n").
// A line longer than size - 1 characters is cut and the rest of it skipped.
// Returns the length kept, or -1 at end of input with nothing read.
//
// Standard input is read byte by byte, never buffered ahead, so that every
// answer left unread stays in place for the next box, the next dialog or a
// program started afterwards.
int ReadInputLine(char* buffer, int size);

// Whether standard input is a terminal (then the user sees what he types and
// nothing is echoed).
int InputIsTerminal();
