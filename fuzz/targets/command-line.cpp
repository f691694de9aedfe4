// The command-line readers: the arguments of the script's command lines,
// the diagnostic switches, and the Windows quoting both ways.
#include "fuzz-support.h"
#include "platform/posix/cmdline.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Start();
    std::string text = fuzz::Text(data, size);
    int count = 0;
    GetCommandArgument(text.c_str(), 0, &count);
    for (int i = 0; i <= count && i < 8; ++i)
        GetCommandArgument(text.c_str(), i, &count);
    int32_t flags = 0;
    ParseDebugSwitches(text.c_str(), &flags);
    WindowsCommandTail(text.c_str());

    // Quoting any argument and splitting the line gives it back.
    std::vector<std::string> split = SplitWindowsCommandLine(text.c_str());
    std::vector<const char*> argv = {"C:\\Program Files\\uninstall.exe"};
    for (const std::string& argument : split)
        if (argument.find('\0') == std::string::npos)
            argv.push_back(argument.c_str());
    std::string line = ComposeWindowsCommandLine(int(argv.size()), argv.data());
    std::vector<std::string> back = SplitWindowsCommandLine(line.c_str());
    if (back.size() != argv.size())
        std::abort();
    for (size_t i = 1; i < argv.size(); ++i)
        if (back[i] != argv[i])
            std::abort();
    return 0;
}
