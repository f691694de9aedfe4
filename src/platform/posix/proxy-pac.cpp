// Proxy auto-configuration: the PAC script runs in duktape, in a child
// process, so that a script that loops or exhausts memory costs the program
// nothing but the time limit.
#include "platform/platform.h"
#include "platform/posix/pac-functions.h"

#include <duktape.h>

#include <arpa/inet.h>
#include <netdb.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#define PAC_SCRIPT_SIZE (1024 * 1024)

namespace {

// The first IPv4 address of a name, dotted, or false.
bool Resolve(const char* name, char* text, size_t size) {
    addrinfo hints = {};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &found) != 0 || found == nullptr) return false;
    const sockaddr_in* address = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    bool done = inet_ntop(AF_INET, &address->sin_addr, text, (socklen_t)size) != nullptr;
    freeaddrinfo(found);
    return done;
}

duk_ret_t DnsResolve(duk_context* context) {
    char text[INET_ADDRSTRLEN];
    if (Resolve(duk_safe_to_string(context, 0), text, sizeof text))
        duk_push_string(context, text);
    else
        duk_push_null(context);
    return 1;
}

duk_ret_t MyIpAddress(duk_context* context) {
    char name[256], text[INET_ADDRSTRLEN];
    if (gethostname(name, sizeof name) != 0 || !Resolve(name, text, sizeof text))
        std::snprintf(text, sizeof text, "127.0.0.1");
    duk_push_string(context, text);
    return 1;
}

// Runs the script and writes FindProxyForURL's result, or "!" and the
// error, to `out`. In the child only.
void Evaluate(const char* script, const char* url, const char* host, int out) {
    char answer[4096];
    duk_context* context = duk_create_heap_default();
    if (!context) {
        std::snprintf(answer, sizeof answer, "!no memory for the script");
    } else {
        duk_push_c_function(context, DnsResolve, 1);
        duk_put_global_string(context, "dnsResolve");
        duk_push_c_function(context, MyIpAddress, 0);
        duk_put_global_string(context, "myIpAddress");
        if (duk_peval_string(context, PacFunctionsScript) != 0 ||
            duk_peval_string(context, script) != 0) {
            std::snprintf(answer, sizeof answer, "!%s", duk_safe_to_string(context, -1));
        } else {
            duk_pop(context);
            duk_get_global_string(context, "FindProxyForURL");
            duk_push_string(context, url);
            duk_push_string(context, host);
            if (duk_pcall(context, 2) != 0)
                std::snprintf(answer, sizeof answer, "!%s", duk_safe_to_string(context, -1));
            else if (!duk_is_string(context, -1))
                std::snprintf(answer, sizeof answer, "!FindProxyForURL gave no text");
            else
                std::snprintf(answer, sizeof answer, "=%s", duk_get_string(context, -1));
        }
        duk_destroy_heap(context);
    }
    size_t length = std::strlen(answer), written = 0;
    while (written < length) {
        ssize_t count = write(out, answer + written, length - written);
        if (count <= 0) break;
        written += (size_t)count;
    }
}

// Reads the child's answer until it closes the pipe or the time is up.
bool ReadAnswer(int in, char* answer, size_t size) {
    size_t filled = 0;
    const uint32_t start = PlatTickCount();
    for (;;) {
        int32_t left = PLAT_PAC_TIME_LIMIT_MS - (int32_t)(PlatTickCount() - start);
        if (left <= 0) return false;
        pollfd ready = {in, POLLIN, 0};
        if (poll(&ready, 1, left) <= 0) continue;
        ssize_t count = read(in, answer + filled, size - 1 - filled);
        if (count <= 0) break;
        filled += (size_t)count;
        if (filled >= size - 1) break;
    }
    answer[filled] = '\0';
    return true;
}

}    // namespace

int PlatProxyAutoConfig(const char* url, const char* host, const char* pacUrl, PlatPacFetch fetch,
                        void* fetchContext, char* result, int32_t resultSize, char* reason) {
    reason[0] = '\0';
    if (resultSize > 0) result[0] = '\0';
    if (pacUrl == nullptr || pacUrl[0] == '\0') return -1;    // no automatic detection here
    char* script = static_cast<char*>(std::malloc(PAC_SCRIPT_SIZE));
    if (!script) {
        std::snprintf(reason, PLAT_PAC_REASON_SIZE, "no memory for the script");
        return 0;
    }
    int32_t length = fetch(pacUrl, script, PAC_SCRIPT_SIZE, fetchContext);
    if (length < 0) {
        std::free(script);
        std::snprintf(reason, PLAT_PAC_REASON_SIZE, "the script could not be fetched");
        return 0;
    }
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        std::free(script);
        std::snprintf(reason, PLAT_PAC_REASON_SIZE, "no pipe (%s)", std::strerror(errno));
        return 0;
    }
    pid_t child = fork();
    int forkError = errno;
    if (child == 0) {
        close(pipeEnds[0]);
        Evaluate(script, url, host, pipeEnds[1]);
        _exit(0);
    }
    std::free(script);
    close(pipeEnds[1]);
    char answer[4096] = "";
    bool inTime = child > 0 && ReadAnswer(pipeEnds[0], answer, sizeof answer);
    close(pipeEnds[0]);
    if (child > 0) {
        if (!inTime) kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    if (child < 0) {
        std::snprintf(reason, PLAT_PAC_REASON_SIZE, "no process for the script (%s)",
                      std::strerror(forkError));
    } else if (!inTime) {
        std::snprintf(reason, PLAT_PAC_REASON_SIZE, "the script ran longer than %d ms",
                      PLAT_PAC_TIME_LIMIT_MS);
    } else if (answer[0] != '=') {
        std::snprintf(reason, PLAT_PAC_REASON_SIZE, "the script failed: %.150s",
                      answer[0] ? answer + 1 : "it ended without an answer");
    } else {
        std::snprintf(result, (size_t)resultSize, "%s", answer + 1);
        return 1;
    }
    return 0;
}
