// Whole-file input and output on host paths for the packer. Every failure is
// reported on standard error, prefixed "ffspack: ", and returns false.
#pragma once

#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

bool ReadWholeFile(const std::string& path, Bytes& contents);

// Writes through a temporary file beside `path` and renames it into place,
// so that `path` is either the old file or the complete new one. An
// executable output can be run wherever it can be read.
bool WriteFileAtomically(const std::string& path, const Bytes& contents, bool executable);

// Copies piece by piece through a temporary file beside `to`, renamed into
// place once it is all on the disk.
bool CopyFileAtomically(const std::string& from, const std::string& to);

bool WriteStandardOutput(const Bytes& contents);

// "ffspack: " + message + newline on standard error.
void ReportError(const std::string& message);
