#include "serve.h"

#include "connection-loop.h"
#include "store.h"

#include "base/strings.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <mutex>

namespace fs = std::filesystem;

namespace {

// The program's largest body (a full payload, encoded) with room to spare;
// a larger one is refused (413) before it is read.
const size_t MAX_BODY = 64 * 1024;

const char* const ACCEPTED = "<html><body><p>RegSuccess</p></body></html>\n";
// How much of a request's path a log line shows.
const size_t LOGGED_PATH = 120;

std::mutex logMutex;

void Log(const std::string& line) {
    std::lock_guard<std::mutex> lock(logMutex);
    std::fprintf(stderr, "vendor-server: %s\n", line.c_str());
}

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

// A client's text in the log: cut, and without bytes that would forge or
// garble lines.
std::string Printable(const std::string& text) {
    std::string shown;
    for (unsigned char c : text.substr(0, LOGGED_PATH)) {
        if (c >= 32 && c < 127 && c != '\\') {
            shown += char(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            shown += escaped;
        }
    }
    return text.size() > LOGGED_PATH ? shown + "..." : shown;
}

// The program reads the reply for "RegSuccess" alone: every answer without
// it asks the user to try again.
HttpResponse Register(RegistrationStore& store, const HttpRequest& request) {
    Bytes body(request.body.begin(), request.body.end());
    Registration registration;
    std::string reason;
    if (!DecodeRegistration(body, registration, reason)) {
        Log("refused a registration from " + request.sender + ": " + reason);
        return PageResponse(400, "The registration could not be read: " + reason);
    }
    StoredRegistration stored = StoredFrom(registration, body, request.sender);
    std::string error;
    switch (store.Store(stored, error)) {
    case StoreOutcome::Stored:
        Log("stored registration " + stored.bodySha256 + " from " + request.sender);
        break;
    case StoreOutcome::Duplicate:
        Log("registration " + stored.bodySha256 + " from " + request.sender +
            " is stored already");
        break;
    case StoreOutcome::Failed:
        Log("cannot store a registration from " + request.sender + ": " + Trimmed(error));
        return PageResponse(503, "The registration could not be stored, please try again.");
    }
    HttpResponse response;
    response.body = ACCEPTED;
    return response;
}

HttpResponse Refused(const HttpRequest& request, int status, const std::string& reason) {
    Log("refused a request from " + request.sender + ": " + std::to_string(status) + " " +
        reason);
    return PageResponse(status, status == 404 ? "Not found" : "The request was refused: " + reason);
}

// versions.txt is read for each request: "ffspack publish" replaces it
// while the server runs, and no cache may keep the old one.
HttpResponse ServeVersions(const fs::path& path, const HttpRequest& request) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return Refused(request, 404, "nothing is published at " + path.string());
    HttpResponse response;
    char chunk[8192];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        response.body.append(chunk, got);
    std::fclose(file);
    response.contentType = "text/plain";
    response.headers.emplace_back("Cache-Control", "no-cache");
    Log("sent versions.txt to " + request.sender);
    return response;
}

bool IsPlainName(const std::string& name) {
    return !name.empty() && name[0] != '.' && name.find('/') == std::string::npos &&
           name.find('\\') == std::string::npos && name.find('\0') == std::string::npos;
}

// "%2F" and the like undone; false for a broken escape.
bool PercentDecoded(const std::string& text, std::string& decoded) {
    decoded.clear();
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] != '%') {
            decoded += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return false;
        int high = StrHexValue(text[i + 1]), low = StrHexValue(text[i + 2]);
        if (high < 0 || low < 0)
            return false;
        decoded += char(high * 16 + low);
        i += 2;
    }
    return true;
}

// A release streams from its file: it may be far larger than memory should
// hold for each download at once.
HttpResponse ServeRelease(const fs::path& folder, const std::string& escapedName,
                          const HttpRequest& request) {
    std::string name;
    if (!PercentDecoded(escapedName, name) || !IsPlainName(name))
        return Refused(request, 404, "no release is named '" + Printable(escapedName) + "'");
    fs::path path = folder / name;
    int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat status {};
    if (file >= 0 && (fstat(file, &status) != 0 || !S_ISREG(status.st_mode))) {
        close(file);
        file = -1;
    }
    if (file < 0)
        return Refused(request, 404, "no release is named '" + Printable(name) + "'");
    HttpResponse response;
    response.contentType = "application/octet-stream";
    response.file = file;
    response.fileSize = (unsigned long long)status.st_size;
    Log("sent release " + Printable(name) + " to " + request.sender);
    return response;
}

// The path of a request's target: an absolute address (as through a proxy)
// without its scheme and host, and without the query.
std::string TargetPath(const std::string& target) {
    std::string path = target;
    size_t scheme = path.find("://");
    if (scheme != std::string::npos && path[0] != '/') {
        size_t slash = path.find('/', scheme + 3);
        path = slash == std::string::npos ? "/" : path.substr(slash);
    }
    return path.substr(0, path.find('?'));
}

struct Routes {
    RegistrationStore& store;
    std::string registerPath;
    std::string publish; // empty: registrations only

    HttpResponse operator()(HttpRequest& request) const {
        std::string path = TargetPath(request.path);
        bool read = request.method == "GET" || request.method == "HEAD";
        std::string shown = request.method + " " + Printable(path);
        if (path == registerPath) {
            if (request.method == "POST")
                return Register(store, request);
            return Refused(request, 405, shown + ": registrations are POSTed");
        }
        const std::string releases = "/releases/";
        bool published = !publish.empty() &&
                         (path == "/versions.txt" || path.compare(0, releases.size(), releases) == 0);
        if (!published)
            return Refused(request, 404, "nothing at " + shown);
        if (!read)
            return Refused(request, 405, shown + ": published files are read with GET");
        HttpResponse response =
            path == "/versions.txt"
                ? ServeVersions(fs::path(publish) / "versions.txt", request)
                : ServeRelease(fs::path(publish) / "releases", path.substr(releases.size()), request);
        response.headOnly = request.method == "HEAD";
        return response;
    }
};

} // namespace

int Serve(const ServeOptions& options) {
    std::string error;
    std::unique_ptr<RegistrationStore> store = OpenStore(options.database, error);
    if (!store) {
        std::fprintf(stderr, "vendor-server: cannot open the database '%s': %s\n",
                     DatabaseForMessages(options.database).c_str(), Trimmed(error).c_str());
        return 1;
    }

    // The stop signals are read by the connection loop; every thread,
    // started after this, inherits the mask. A client that goes away while
    // a file is sent to it must not end the server.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    ServerLimits limits;
    limits.request.maxBody = MAX_BODY;
    limits.requestSeconds = options.requestSeconds;
    ConnectionLoop loop(limits, options.threads, Log);
    int port = 0;
    if (!loop.Listen(options.host, options.port, Routes{*store, options.path, options.publish},
                     &port, error)) {
        std::fprintf(stderr, "vendor-server: cannot listen on %s:%d: %s\n", options.host.c_str(),
                     options.port, error.c_str());
        return 1;
    }
    std::printf("listening on %s:%d\n", options.host.c_str(), port);
    std::fflush(stdout);
    return loop.Run(stopSignals) ? 0 : 1;
}
