// The archive reader: the shared rules in memory, the reader on a real file,
// and the packer, which must agree with both.
#include "archive.h"
#include "archive/ffs-layout.h"
#include "archive/ffs.h"
#include "fuzz-support.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Start();
    Bytes file(data, data + size);
    FfsArchiveSpan span;
    bool found = FfsLocateArchiveInMemory(file.data(), file.size(), &span) == FFS_ARCHIVE_FOUND;

    fuzz::WriteFile("program.exe", data, size);
    int opened = FfsOpen(fuzz::WindowsPath("program.exe").c_str());
    if (opened != (found ? 1 : 0))
        std::abort();
    if (opened) {
        uint32_t length = 0;
        if (!FfsFileSize("install.dat", &length) || length != span.end - span.tagOffset - FFS_TAG_SIZE)
            std::abort();
        Bytes block(length + 1);
        if (FfsReadFile("install.dat", block.data(), length) != 1)
            std::abort();
        if (FfsReadFile("install.dat", block.data(), length + 1) != 0)
            std::abort();
        Bytes script;
        // An empty script has no data() to compare: memcmp wants a pointer even for 0 bytes.
        if (!ExtractScript(file, script) || script.size() + FFS_TRAILER_SIZE != length ||
            (!script.empty() && std::memcmp(script.data(), block.data(), script.size()) != 0))
            std::abort();
    }
    FfsClose();

    // What the packer makes of the input as a script is read back whole.
    Bytes image = {'M', 'Z'};
    Bytes packed;
    if (size < 4096 && ComposeArchive(image, file, packed)) {
        Bytes script;
        if (!ExtractScript(packed, script) || script.size() < file.size() ||
            !std::equal(file.begin(), file.end(), script.begin()))
            std::abort();
    }
    return 0;
}
