// vendor-server export: every stored registration as CSV.
#pragma once

#include <string>

// "YYYY-MM-DD" or "YYYY-MM-DD HH:MM:SS" (a "T" for the blank too) in the
// stored form; false for any other text.
bool NormalisedSince(const std::string& text, std::string& since);

// Writes the header row and one row per registration to standard output.
// The exit status.
int ExportCsv(const std::string& database, const std::string& since);
