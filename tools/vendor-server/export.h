// vendor-server export: every stored registration as CSV.
#pragma once

#include <string>

// "YYYY-MM-DD" or "YYYY-MM-DD HH:MM:SS" (a "T" for the blank too) in the
// stored form; false for any other text.
bool NormalisedSince(const std::string& text, std::string& since);

// Writes the header row and one row per registration to standard output.
// Unless `raw`, a value a spreadsheet would run as a formula gets a leading
// "'" (see CsvValue). The exit status.
int ExportCsv(const std::string& database, const std::string& since, bool raw);

// A value as the export writes it: quoted when RFC 4180 asks for it and,
// unless `raw`, with a "'" in front of a leading "=", "+", "-", "@", tab or
// CR, so that a registrant's text stays text in a spreadsheet.
std::string CsvValue(const std::string& value, bool raw);
