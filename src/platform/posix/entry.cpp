// The program's entry on POSIX: records argv as the Windows command line
// and hands WinMain the tail that Windows' start-up code would give it.
#include "platform/platform.h"
#include "platform/posix/cmdline.h"

#include <string>

namespace {
// WinMain only needs an instance handle that is not NULL.
char InstanceTag;
constexpr int SW_SHOWDEFAULT = 10;
} // namespace

int main(int argc, char** argv) {
    RecordProgramArguments(argc, argv);
    std::string tail = WindowsCommandTail(PlatGetCommandLine());
    return WinMain(reinterpret_cast<HINSTANCE>(&InstanceTag), nullptr, tail.data(), SW_SHOWDEFAULT);
}
