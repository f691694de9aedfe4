// Section 4 of the seam: starting programs and waiting for them. Command
// lines are split with the Windows rules and the program path is mapped to
// the host, so the core starts programs exactly as it does on Windows.
#include "platform/platform.h"

#include "platform/posix/cmdline.h"
#include "platform/posix/hostpath.h"
#include "platform/posix/lasterror.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

struct PlatProcess_ {
    pid_t pid;
    bool ended;
    bool statusKnown;
    int status;
};

namespace {

constexpr uint32_t INFINITE_WAIT = 0xFFFFFFFFu;

bool HasFolderPart(const std::string& program) {
    return program.find_first_of("\\/:") != std::string::npos;
}

bool IsFile(const char* hostPath) {
    struct stat info;
    return stat(hostPath, &info) == 0 && S_ISREG(info.st_mode);
}

// What exec is given: a host path, or a bare name that the PATH search
// finds (with its ".exe" dropped if only the bare name is there).
struct Program {
    std::string path;
    std::string pathWithoutExe;
    bool searched = false;
};

bool ResolveProgram(const std::string& windowsProgram, Program& program) {
    char host[PATH_MAX];
    if (!HostPathFromWindows(windowsProgram.c_str(), host, sizeof host))
        return false;
    if (HasFolderPart(windowsProgram)) {
        program.path = host;
        return true;
    }
    // A bare name: the current folder first, as CreateProcess looks there.
    if (IsFile(host)) {
        program.path = std::string("./") + host;
        return true;
    }
    program.path = windowsProgram;
    program.searched = true;
    size_t length = windowsProgram.size();
    if (length > 4 && strcasecmp(windowsProgram.c_str() + length - 4, ".exe") == 0)
        program.pathWithoutExe = windowsProgram.substr(0, length - 4);
    return true;
}

[[noreturn]] void ExecChild(const Program& program, char* const* argv, int reportFd) {
    if (program.searched) {
        execvp(program.path.c_str(), argv);
        if (errno == ENOENT && !program.pathWithoutExe.empty())
            execvp(program.pathWithoutExe.c_str(), argv);
    } else {
        execv(program.path.c_str(), argv);
    }
    int error = errno;
    ssize_t ignored = write(reportFd, &error, sizeof error);
    (void)ignored;
    _exit(127);
}

// Starts the program; the child reports a failed exec through a pipe that
// closes on a successful one, so a missing program fails here as
// CreateProcess does, not later as an exit code.
int Spawn(const Program& program, std::vector<std::string> arguments, PlatProcess* process,
          const char* windowsLine = nullptr) {
    arguments[0] = program.path;
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        SetLastErrorFromErrno(errno);
        return 0;
    }
    fflush(nullptr);
    // The child reads the line it was started with, as on Windows.
    if (windowsLine)
        setenv(HANDED_COMMAND_LINE, windowsLine, 1);
    pid_t pid = fork();
    if (windowsLine && pid != 0)
        unsetenv(HANDED_COMMAND_LINE);
    if (pid < 0) {
        SetLastErrorFromErrno(errno);
        close(report[0]);
        close(report[1]);
        return 0;
    }
    if (pid == 0) {
        close(report[0]);
        ExecChild(program, argv.data(), report[1]);
    }
    close(report[1]);
    int execError = 0;
    ssize_t got;
    do {
        got = read(report[0], &execError, sizeof execError);
    } while (got < 0 && errno == EINTR);
    close(report[0]);
    if (got == static_cast<ssize_t>(sizeof execError)) {
        waitpid(pid, nullptr, 0);
        SetLastErrorFromErrno(execError, program.searched ? nullptr : program.path.c_str());
        return 0;
    }
    PlatProcess started = new PlatProcess_{pid, false, false, 0};
    if (process)
        *process = started;
    else
        PlatCloseProcess(started);
    return 1;
}

int StartArguments(const char* commandLine, PlatProcess* process) {
    std::vector<std::string> arguments = SplitWindowsCommandLine(commandLine);
    if (arguments.empty() || arguments[0].empty()) {
        SetPlatLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    Program program;
    if (!ResolveProgram(arguments[0], program))
        return 0;
    return Spawn(program, arguments, process, commandLine);
}

// Collects the process once it has ended. `block` waits for it.
void Reap(PlatProcess process, bool block) {
    if (process->ended)
        return;
    int status = 0;
    pid_t result;
    do {
        result = waitpid(process->pid, &status, block ? 0 : WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == process->pid) {
        process->ended = true;
        process->statusKnown = true;
        process->status = status;
    } else if (result < 0) {
        // Not our child any more: nothing left to wait for.
        process->ended = true;
    }
}

bool LooksLikeAddress(const char* file) {
    return strstr(file, "://") != nullptr || strncasecmp(file, "mailto:", 7) == 0;
}

bool FindOnPath(const char* name, std::string& found) {
    const char* path = getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos)
            end = folders.size();
        std::string folder = folders.substr(start, end - start);
        std::string candidate = (folder.empty() ? "." : folder) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) {
            found = candidate;
            return true;
        }
        start = end + 1;
    }
    return false;
}

// Documents, folders and addresses go to the desktop's opener.
int OpenWithDesktop(const std::string& target, PlatProcess* process) {
    Program opener;
    if (!FindOnPath("xdg-open", opener.path)) {
        SetPlatLastError(ERROR_NO_ASSOCIATION);
        return 0;
    }
    return Spawn(opener, {opener.path, target}, process);
}

} // namespace

int PlatStartProcess(const char* commandLine, PlatProcess* process) {
    if (process)
        *process = nullptr;
    if (!commandLine) {
        SetPlatLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return StartArguments(commandLine, process);
}

int PlatShellOpen(const char* file, const char* parameters, PlatProcess* process) {
    if (process)
        *process = nullptr;
    if (!file || !*file) {
        SetPlatLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    if (LooksLikeAddress(file))
        return OpenWithDesktop(file, process);
    char host[PATH_MAX];
    if (!HostPathFromWindows(file, host, sizeof host))
        return 0;
    struct stat info;
    if (stat(host, &info) != 0) {
        SetLastErrorFromErrno(errno, host);
        return 0;
    }
    if (!S_ISREG(info.st_mode) || access(host, X_OK) != 0)
        return OpenWithDesktop(host, process);
    // A program: its parameters are split as the program itself would.
    std::string line = "x ";
    line += parameters ? parameters : "";
    std::vector<std::string> arguments = SplitWindowsCommandLine(line.c_str());
    Program program;
    program.path = HasFolderPart(file) ? host : std::string("./") + host;
    return Spawn(program, arguments, process);
}

int PlatWaitProcess(PlatProcess process, uint32_t milliseconds) {
    if (!process) {
        SetPlatLastError(ERROR_INVALID_HANDLE);
        return 1;
    }
    if (milliseconds == INFINITE_WAIT) {
        Reap(process, true);
        return 1;
    }
    uint32_t start = PlatTickCount();
    for (;;) {
        Reap(process, false);
        if (process->ended)
            return 1;
        uint32_t elapsed = PlatTickCount() - start;
        if (elapsed >= milliseconds)
            return 0;
        uint32_t left = milliseconds - elapsed;
        PlatSleep(left < 5 ? left : 5);
    }
}

int PlatProcessExitCode(PlatProcess process, uint32_t* exitCode) {
    if (!process || !exitCode) {
        SetPlatLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    Reap(process, false);
    if (!process->ended) {
        *exitCode = STILL_ACTIVE;
        return 1;
    }
    if (!process->statusKnown) {
        SetPlatLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    // A program ended by a signal reports 128 plus the signal, as shells do.
    int status = process->status;
    *exitCode = WIFEXITED(status) ? static_cast<uint32_t>(WEXITSTATUS(status))
                                  : 128u + static_cast<uint32_t>(WTERMSIG(status));
    return 1;
}

void PlatCloseProcess(PlatProcess process) {
    if (!process)
        return;
    // Closing does not end the program; an ended one is collected now.
    Reap(process, false);
    delete process;
}
