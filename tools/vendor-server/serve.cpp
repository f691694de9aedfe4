#include "serve.h"

#include "store.h"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The program's largest body (a full payload, encoded) with room to spare.
const size_t MAX_BODY = 64 * 1024;
const size_t FILE_CHUNK = 64 * 1024;

const char* const ACCEPTED = "<html><body><p>RegSuccess</p></body></html>\n";

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

std::string Page(const std::string& text) {
    return "<html><body><p>" + text + "</p></body></html>\n";
}

// The program reads the reply for "RegSuccess" alone: every answer without
// it asks the user to try again.
void Register(RegistrationStore& store, const httplib::Request& request,
              httplib::Response& response) {
    Bytes body(request.body.begin(), request.body.end());
    Registration registration;
    std::string reason;
    if (!DecodeRegistration(body, registration, reason)) {
        Log("refused a registration from " + request.remote_addr + ": " + reason);
        response.status = 400;
        response.set_content(Page("The registration could not be read: " + reason), "text/html");
        return;
    }
    StoredRegistration stored = StoredFrom(registration, body, request.remote_addr);
    std::string error;
    switch (store.Store(stored, error)) {
    case StoreOutcome::Stored:
        Log("stored registration " + stored.bodySha256 + " from " + request.remote_addr);
        break;
    case StoreOutcome::Duplicate:
        Log("registration " + stored.bodySha256 + " from " + request.remote_addr +
            " is stored already");
        break;
    case StoreOutcome::Failed:
        Log("cannot store a registration from " + request.remote_addr + ": " + Trimmed(error));
        response.status = 503;
        response.set_content(Page("The registration could not be stored, please try again."),
                             "text/html");
        return;
    }
    response.set_content(ACCEPTED, "text/html");
}

void NotFound(httplib::Response& response) {
    response.status = 404;
    response.set_content(Page("Not found"), "text/html");
}

// versions.txt is read for each request: "ffspack publish" replaces it
// while the server runs, and no cache may keep the old one.
void ServeVersions(const fs::path& path, httplib::Response& response) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return NotFound(response);
    std::string text;
    char chunk[8192];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        text.append(chunk, got);
    std::fclose(file);
    response.set_header("Cache-Control", "no-cache");
    response.set_content(text, "text/plain");
}

bool IsPlainName(const std::string& name) {
    return !name.empty() && name[0] != '.' && name.find('/') == std::string::npos &&
           name.find('\\') == std::string::npos;
}

// A release streams from its file: it may be far larger than memory should
// hold for each download at once.
void ServeRelease(const fs::path& folder, const std::string& name, httplib::Response& response) {
    std::error_code ec;
    fs::path path = folder / name;
    if (!IsPlainName(name) || !fs::is_regular_file(path, ec))
        return NotFound(response);
    int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return NotFound(response);
    off_t size = lseek(file, 0, SEEK_END);
    if (size < 0) {
        close(file);
        return NotFound(response);
    }
    response.set_content_provider(
        static_cast<size_t>(size), "application/octet-stream",
        [file](size_t offset, size_t length, httplib::DataSink& sink) {
            char chunk[FILE_CHUNK];
            ssize_t got = pread(file, chunk, std::min(length, sizeof chunk),
                                static_cast<off_t>(offset));
            if (got <= 0)
                return false;
            return sink.write(chunk, static_cast<size_t>(got));
        },
        [file](bool) { close(file); });
}

std::string RegexEscaped(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        if (std::strchr("\\^$.|?*+()[]{}", c) != nullptr)
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

} // namespace

int Serve(const ServeOptions& options) {
    std::string error;
    std::unique_ptr<RegistrationStore> store = OpenStore(options.database, error);
    if (!store) {
        std::fprintf(stderr, "vendor-server: cannot open the database '%s': %s\n",
                     options.database.c_str(), Trimmed(error).c_str());
        return 1;
    }

    // Signals go to the thread that stops the server; the server's
    // threads, started after this, inherit the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    httplib::Server server;
    int threads = options.threads;
    server.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    server.set_payload_max_length(MAX_BODY);
    server.set_read_timeout(30);
    server.set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (response.body.empty())
            response.set_content(Page("Error " + std::to_string(response.status)), "text/html");
    });
    server.Post(RegexEscaped(options.path),
                [&store](const httplib::Request& request, httplib::Response& response) {
                    Register(*store, request, response);
                });
    if (!options.publish.empty()) {
        fs::path folder(options.publish);
        server.Get("/versions.txt", [folder](const httplib::Request&, httplib::Response& res) {
            ServeVersions(folder / "versions.txt", res);
        });
        server.Get("/releases/([^/]+)",
                   [folder](const httplib::Request& request, httplib::Response& response) {
                       ServeRelease(folder / "releases", request.matches[1], response);
                   });
    }

    int port = options.port;
    bool bound = port == 0 ? (port = server.bind_to_any_port(options.host)) > 0
                           : server.bind_to_port(options.host, port);
    if (!bound) {
        std::fprintf(stderr, "vendor-server: cannot listen on %s:%d\n", options.host.c_str(),
                     options.port);
        return 1;
    }
    std::printf("listening on %s:%d\n", options.host.c_str(), port);
    std::fflush(stdout);

    std::atomic<bool> stopping{false};
    std::thread stopper([&server, &stopping, stopSignals] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        stopping = true;
        server.stop();
    });
    bool listened = server.listen_after_bind();
    // When the server ended on its own, wake the stopper.
    if (!stopping)
        pthread_kill(stopper.native_handle(), SIGTERM);
    stopper.join();
    return listened ? 0 : 1;
}
