// Findings about a script, printed the way compilers print them so that
// editors and build logs pick them up: FILE:LINE: error: TEXT.
#pragma once

#include <cstdio>
#include <string>

enum class Severity { Error, Warning };

inline void PrintFinding(FILE* stream, const std::string& file, int line, Severity severity,
                         const std::string& text) {
    std::fprintf(stream, "%s:%d: %s: %s\n", file.c_str(), line,
                 severity == Severity::Error ? "error" : "warning", text.c_str());
}
