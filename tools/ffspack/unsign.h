// Packing a signed program. Its signature covers the program as it was
// signed; a new archive would break it, so the packer takes it off and the
// vendor signs the packed program again.
#pragma once

#include "host-files.h"

#include <cstdint>

struct RemovedSignature {
    uint32_t checksumOffset = 0;   // the optional header's checksum field
};

// When `program` ends in a certificate table: cuts the table off, zeroes the
// security entry that pointed at it and returns true.
bool RemoveSignature(Bytes& program, RemovedSignature* removed);

// Writes the PE checksum of the whole file into the field at
// `checksumOffset`, when that field is set (a zero checksum means "none").
void UpdateChecksum(Bytes& program, uint32_t checksumOffset);
