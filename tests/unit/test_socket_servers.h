// Real servers on loopback for the socket and HTTP tests: the case-driven
// HTTP server (tests/servers/httpserver.py) and tinyproxy
// (tests/servers/proxyserver.py), started as child processes.
//
// They talk to the test through a folder under /tmp, which the native
// build and the Windows build under Wine both reach ("Z:\tmp\..." is /tmp):
// the server writes "port" once it listens and "request-N" for each request
// it received; the test creates "stop" to end it. Under Wine the child is a
// Linux process that cannot be waited for, so the stop file is the one way
// to end it, and the servers end themselves after a lifetime besides.
//
// The sources are found through UNINSTALL_TEST_SOURCE, or else through the
// CMakeCache.txt of the build the test program lies in. Python is
// UNINSTALL_PYTHON, or /usr/bin/python3.
#pragma once

#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace net_test {

inline std::string ReadWholeFile(const std::string& windowsPath) {
    std::string content;
    FILE* file = PlatFileOpen(windowsPath.c_str(), "rb");
    if (!file) return content;
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) content.append(chunk, got);
    fclose(file);
    return content;
}

// "/tmp/x" as the test program's file functions want it.
inline std::string WindowsPathOf(const std::string& hostPath) {
    std::string path = "Z:" + hostPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

inline std::string HostPathOf(const std::string& windowsPath) {
    std::string path = windowsPath.substr(2);
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

// The source tree as a host path.
inline std::string SourceFolder() {
    if (const char* configured = getenv("UNINSTALL_TEST_SOURCE"))
        if (*configured) return configured;
    char module[320];
    PlatGetModulePath(module, sizeof module);
    std::string folder = module;
    const std::string key = "CMAKE_HOME_DIRECTORY:INTERNAL=";
    while (folder.size() > 3) {
        folder = folder.substr(0, folder.find_last_of('\\'));
        std::string cache = ReadWholeFile(folder + "\\CMakeCache.txt");
        size_t at = cache.find(key);
        if (at != std::string::npos) {
            size_t end = cache.find('\n', at);
            return cache.substr(at + key.size(), end - at - key.size());
        }
    }
    return "";
}

inline std::string PythonProgram() {
    const char* configured = getenv("UNINSTALL_PYTHON");
    std::string python = configured && *configured ? configured : "/usr/bin/python3";
#ifdef _WIN32
    return WindowsPathOf(python);
#else
    return python;
#endif
}

// A fresh folder under /tmp, emptied and removed at the end.
class ExchangeFolder {
  public:
    ExchangeFolder() {
        std::random_device random;
        char name[64];
        snprintf(name, sizeof name, "Z:\\tmp\\zunk-net-%08x%08x", random(), random());
        path_ = name;
        PlatCreateFolder(path_.c_str());
    }
    ~ExchangeFolder() {
        std::vector<std::string> names;
        PlatListFolder((path_ + "\\").c_str(), Collect, &names);
        for (const std::string& name : names) PlatDeleteFile(File(name).c_str());
        PlatRemoveFolder(path_.c_str());
    }
    ExchangeFolder(const ExchangeFolder&) = delete;
    ExchangeFolder& operator=(const ExchangeFolder&) = delete;

    std::string File(const std::string& name) const { return path_ + "\\" + name; }
    std::string Host() const { return HostPathOf(path_); }

    // Waits up to `milliseconds` for the file and returns its bytes.
    std::string WaitFor(const std::string& name, int milliseconds) const {
        for (int waited = 0; waited <= milliseconds; waited += 20) {
            if (PlatFileExists(File(name).c_str())) return ReadWholeFile(File(name));
            PlatSleep(20);
        }
        return "";
    }

    void Touch(const std::string& name) const {
        FILE* file = PlatFileOpen(File(name).c_str(), "wb");
        if (file) fclose(file);
    }

  private:
    static int Collect(const char* name, void* context) {
        std::string entry = name;
        if (entry != "." && entry != "..") static_cast<std::vector<std::string>*>(context)->push_back(entry);
        return 1;
    }
    std::string path_;
};

// One Python helper from tests/servers, running until the object goes.
class ServerProcess {
  public:
    ServerProcess(const std::string& script, const std::vector<std::string>& arguments) {
        std::string source = SourceFolder();
        std::vector<std::string> argv = {PythonProgram(), source + "/tests/servers/" + script,
                                         "--dir", folder_.Host()};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        Start(argv);
        port_ = atoi(folder_.WaitFor("port", 15000).c_str());
    }
    ~ServerProcess() {
        folder_.Touch("stop");
        // Under Wine this is the only way to know it has gone.
        folder_.WaitFor("stopped", 5000);
#ifndef _WIN32
        if (pid_ > 0) {
            int status;
            for (int waited = 0; waited < 3000 && waitpid(pid_, &status, WNOHANG) == 0; waited += 20)
                PlatSleep(20);
            if (kill(pid_, 0) == 0) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
            }
        }
#endif
    }
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    int Port() const { return port_; }
    const ExchangeFolder& Folder() const { return folder_; }

  private:
    void Start(const std::vector<std::string>& argv) {
#ifdef _WIN32
        std::string commandLine;
        for (const std::string& argument : argv) commandLine += "\"" + argument + "\" ";
        PlatProcess process = nullptr;
        // Wine starts the Linux program; it cannot be waited for.
        if (PlatStartProcess(commandLine.c_str(), &process)) PlatCloseProcess(process);
#else
        std::vector<char*> pointers;
        for (const std::string& argument : argv) pointers.push_back(const_cast<char*>(argument.c_str()));
        pointers.push_back(nullptr);
        if (posix_spawn(&pid_, pointers[0], nullptr, nullptr, pointers.data(), environ) != 0) pid_ = -1;
#endif
    }

    ExchangeFolder folder_;
    int port_ = 0;
#ifndef _WIN32
    pid_t pid_ = -1;
#endif
};

// The HTTP server serving one case of tests/servers/cases.
class HttpServer : public ServerProcess {
  public:
    explicit HttpServer(const std::string& caseName,
                        const std::vector<std::pair<std::string, std::string>>& routes = {},
                        bool ipv6 = false)
        : ServerProcess("httpserver.py", Arguments(caseName, routes, ipv6)), ipv6_(ipv6) {}

    std::string Url(const std::string& path) const {
        return (ipv6_ ? "http://[::1]:" : "http://127.0.0.1:") + std::to_string(Port()) + path;
    }
    // The case for every request, and the cases of some paths.
    static std::vector<std::string> Arguments(
        const std::string& caseName, const std::vector<std::pair<std::string, std::string>>& routes,
        bool ipv6) {
        const std::string cases = SourceFolder() + "/tests/servers/cases/";
        std::vector<std::string> arguments = {"--case", cases + caseName + ".case"};
        if (ipv6) arguments.push_back("--ipv6");
        for (const auto& route : routes) {
            arguments.push_back("--route");
            arguments.push_back(route.first + "=" + cases + route.second + ".case");
        }
        return arguments;
    }

    // The bytes of the n-th request, once the server has all of them.
    std::string Request(int number = 1) const {
        return Folder().WaitFor("request-" + std::to_string(number), 5000);
    }

  private:
    bool ipv6_;
};

// tinyproxy on loopback.
class ProxyServer : public ServerProcess {
  public:
    ProxyServer() : ServerProcess("proxyserver.py", {}) {}
};

// squid on loopback: open, or asking for Basic credentials.
class SquidServer : public ServerProcess {
  public:
    SquidServer() : ServerProcess("squidserver.py", {}) {}
    SquidServer(const std::string& user, const std::string& password)
        : ServerProcess("squidserver.py", {"--user", user, "--password", password}) {}
    static bool Installed() { return PlatFileExists("Z:\\usr\\sbin\\squid") == 1; }
    std::string AccessLog() const { return ReadWholeFile(Folder().File("access.log")); }
};

}    // namespace net_test
