// startwait PROGRAM [ARGUMENTS...]: starts the program as "start /wait"
// does, waits for it and prints its exit status in full (a Windows status
// is 32 bits; the status Wine hands to Linux keeps only the low byte).
// Arguments holding blanks are quoted. Exit status: 0 when the program
// ran, 1 when it could not be started.
#ifdef _WIN32
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: startwait PROGRAM [ARGUMENTS...]\n", stderr);
        return 1;
    }
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (i > 1) commandLine += ' ';
        commandLine += argument.find(' ') == std::string::npos ? argument : '"' + argument + '"';
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::fprintf(stderr, "startwait: cannot start '%s' (%lu)\n", commandLine.c_str(),
                     GetLastError());
        return 1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::printf("%lu\n", status);
    return 0;
}

#else
#include <cstdio>

// Natively the exit status is the process's own, and 8 bits wide.
int main() {
    std::fputs("startwait: only the Windows build needs it\n", stderr);
    return 1;
}
#endif
