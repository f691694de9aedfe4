// The registration decoder of the packer, on any body or saved request.
// (Its reports go to standard error, which scripts/fuzz closes for it.)
#include "fuzz-support.h"
#include "subcommands.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Start();
    fuzz::WriteFile("body.txt", data, size);
    RunDecodeRegistration({fuzz::Folder() + "body.txt"});
    return 0;
}
