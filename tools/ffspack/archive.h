// Building and taking apart program files that carry an archive.
#pragma once

#include "host-files.h"

#include "archive/ffs-layout.h"

#include <cstdint>

// Where the archive of a program file starts, when it carries a complete one
// (tag, payload and trailer, none overlapping).
bool LocateArchive(const Bytes& file, uint32_t* tagOffset);

// The bytes in front of the archive's tag, or the whole file when it carries
// none: packing a packed program replaces its archive instead of nesting.
Bytes ProgramImage(const Bytes& file);

struct ArchiveLayout {
    uint32_t padding = 0;    // free bytes between image and tag
    uint32_t lineEnds = 0;   // "\r\n" added behind the script
};

// Image, padding, tag, scrambled script and trailer. The script is made to
// end in a line end, and the padding (or, rarely, further line ends) is
// chosen so that the whole is a multiple of 8 bytes long (ready for signing)
// and the loader never finds a command marker in the unscrambled trailer.
// False when no such layout exists within 32-bit offsets.
bool ComposeArchive(const Bytes& image, const Bytes& script, Bytes& archive,
                    ArchiveLayout* layout = nullptr);

// A Windows program (MZ) or a native one (ELF): a file that is not a script
// in either form.
bool IsProgramFile(const Bytes& file);

// The reader's verdict on a program file's archive, with where its trailer
// points.
FfsArchiveCheck CheckArchive(const Bytes& file, FfsArchiveSpan* span);

// The unscrambled payload of a program file's archive, trailer excluded.
bool ExtractScript(const Bytes& file, Bytes& script);
