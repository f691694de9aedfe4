// registration-load: a load generator for the vendor's registration server.
// Each of CONNECTIONS threads sends requests one connection at a time, as
// the program does (HTTP/1.0, the server closes), and reads each reply to
// its end. Registrations are distinct, each made by the program's own
// payload and body code; one that is not acknowledged is sent again, as the
// program's retry sends the same body again.
//
//     registration-load post HOST:PORT PATH --connections C (--count N | --seconds S)
//                       --tag TAG [--acknowledged FILE]
//     registration-load get HOST:PORT PATH --connections C --seconds S
//
// Prints one line: "... requests/s" (get) or "... registrations/s" (post),
// with what was sent, acknowledged and sent again. --acknowledged writes the
// e-mail address of each acknowledged registration, one a line, for a check
// against what the server stored.
#include "base/identity.h"
#include "register/payload.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The program reads at most this much of a reply.
const size_t REPLY_LIMIT = 20479;
// A registration not acknowledged is sent again after a pause, for as long
// as a server may take to come back behind its load balancer.
const int RESEND_PAUSE_MS = 20;
const int RESEND_LIMIT = 500;

struct Options {
    bool post = false;
    std::string host, port, path, tag = "load", acknowledged;
    int connections = 50;
    long count = 0;
    double seconds = 0;
};

struct Totals {
    std::atomic<long> next{0};
    std::atomic<long> sent{0}, acknowledged{0}, failed{0}, resent{0};
    std::mutex addressesMutex;
    std::vector<std::string> addresses;
};

std::string Email(const Options& options, long n) {
    return options.tag + "-" + std::to_string(n) + "@example.com";
}

// The body the program sends for a registration with this e-mail address.
std::string RegistrationBody(const std::string& email) {
    static std::mutex lock; // the core's checks keep a process-wide site
    std::lock_guard<std::mutex> hold(lock);
    std::vector<char> payload(PAYLOAD_SIZE);
    PayloadWriter writer;
    PayloadWriterInit(&writer, payload.data(), PAYLOAD_SIZE);
    PayloadAddField(&writer, 0, "v%s (%s)", PROGRAM_VERSION, PROGRAM_BUILD);
    PayloadAddField(&writer, 1, "%s", "Standalone");
    PayloadAddField(&writer, 2, "%s", "Bench");
    PayloadAddField(&writer, 100, "%s", "REG");
    PayloadAddField(&writer, 101, "%s", "Tolvane");
    PayloadAddField(&writer, 102, "%s", "Bench");
    PayloadAddField(&writer, 200, "%s", "Ann");
    PayloadAddField(&writer, 201, "%s", "Smith");
    PayloadAddField(&writer, 207, "%s", email.c_str());
    PayloadAddField(&writer, 310, "%s", "Microsoft Windows NT 10.0.19045");
    auto length = static_cast<int32_t>(writer.position - writer.start);
    ScramblePayload(payload.data(), length);
    std::vector<char> body(2 * static_cast<size_t>(length));
    int32_t bodyLength = 0;
    BuildRegistrationBody(payload.data(), length, body.data(), &bodyLength);
    return std::string(body.data(), static_cast<size_t>(bodyLength));
}

int Connect(const Options& options) {
    addrinfo hints{}, *found = nullptr;
    hints.ai_socktype = SOCK_STREAM;
    if (getaddrinfo(options.host.c_str(), options.port.c_str(), &hints, &found) != 0)
        return -1;
    int connection = socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    timeval timeout{30, 0};
    if (connection >= 0) {
        setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        setsockopt(connection, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
        if (connect(connection, found->ai_addr, found->ai_addrlen) != 0) {
            close(connection);
            connection = -1;
        }
    }
    freeaddrinfo(found);
    return connection;
}

// One request on a connection of its own; the reply up to the limit, or
// false when the exchange broke off.
bool Exchange(const Options& options, const std::string& request, std::string& reply) {
    reply.clear();
    int connection = Connect(options);
    if (connection < 0)
        return false;
    size_t done = 0;
    while (done < request.size()) {
        ssize_t put = send(connection, request.data() + done, request.size() - done, MSG_NOSIGNAL);
        if (put <= 0) {
            close(connection);
            return false;
        }
        done += static_cast<size_t>(put);
    }
    char chunk[8192];
    ssize_t got;
    while ((got = recv(connection, chunk, sizeof chunk, 0)) > 0 && reply.size() < REPLY_LIMIT)
        reply.append(chunk, static_cast<size_t>(std::min<size_t>(static_cast<size_t>(got),
                                                                   REPLY_LIMIT - reply.size())));
    close(connection);
    return got == 0 || reply.size() >= REPLY_LIMIT;
}

bool Acknowledged(std::string reply) {
    for (char& c : reply)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return reply.find("regsuccess") != std::string::npos;
}

bool StatusOk(const std::string& reply) {
    return reply.substr(0, reply.find("\r\n")).find(" 200 ") != std::string::npos;
}

std::string PostRequest(const Options& options, const std::string& body) {
    return "POST " + options.path + " HTTP/1.0\r\n" +
           "User-Agent: Tolvane Register " PROGRAM_NAME " (www.tolvane.example)\r\n" +
           "Host: " + options.host + "\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}

bool TimeLeft(const Options& options, Clock::time_point end, long n) {
    return options.count > 0 ? n < options.count : Clock::now() < end;
}

void Client(const Options& options, Totals& totals, Clock::time_point end) {
    std::string reply;
    std::string get = "GET " + options.path + " HTTP/1.0\r\nHost: " + options.host + "\r\n\r\n";
    std::vector<std::string> mine;
    for (;;) {
        long n = totals.next++;
        if (!TimeLeft(options, end, n))
            break;
        if (!options.post) {
            totals.sent++;
            bool ok = Exchange(options, get, reply) && StatusOk(reply);
            (ok ? totals.acknowledged : totals.failed)++;
            continue;
        }
        std::string email = Email(options, n);
        std::string request = PostRequest(options, RegistrationBody(email));
        bool ok = false;
        for (int attempt = 0; attempt < RESEND_LIMIT && !ok; attempt++) {
            if (attempt > 0) {
                totals.resent++;
                std::this_thread::sleep_for(std::chrono::milliseconds(RESEND_PAUSE_MS));
            }
            totals.sent++;
            ok = Exchange(options, request, reply) && Acknowledged(reply);
        }
        (ok ? totals.acknowledged : totals.failed)++;
        if (ok)
            mine.push_back(email);
    }
    std::lock_guard<std::mutex> lock(totals.addressesMutex);
    totals.addresses.insert(totals.addresses.end(), mine.begin(), mine.end());
}

int Usage() {
    std::fprintf(stderr,
                 "usage: registration-load post HOST:PORT PATH --connections C "
                 "(--count N | --seconds S) --tag TAG [--acknowledged FILE]\n"
                 "       registration-load get HOST:PORT PATH --connections C --seconds S\n");
    return 2;
}

bool ReadOptions(int argc, char** argv, Options& options) {
    if (argc < 4)
        return false;
    std::string mode = argv[1], address = argv[2];
    options.post = mode == "post";
    size_t colon = address.rfind(':');
    if ((mode != "post" && mode != "get") || colon == std::string::npos)
        return false;
    options.host = address.substr(0, colon);
    if (options.host.size() >= 2 && options.host.front() == '[')
        options.host = options.host.substr(1, options.host.size() - 2);
    options.port = address.substr(colon + 1);
    options.path = argv[3];
    for (int i = 4; i + 1 < argc; i += 2) {
        std::string name = argv[i], value = argv[i + 1];
        if (name == "--connections")
            options.connections = std::atoi(value.c_str());
        else if (name == "--count")
            options.count = std::atol(value.c_str());
        else if (name == "--seconds")
            options.seconds = std::atof(value.c_str());
        else if (name == "--tag")
            options.tag = value;
        else if (name == "--acknowledged")
            options.acknowledged = value;
        else
            return false;
    }
    return argc % 2 == 0 && options.connections > 0 &&
           ((options.count > 0) != (options.seconds > 0)) && (options.post || options.seconds > 0);
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ReadOptions(argc, argv, options))
        return Usage();
    Totals totals;
    Clock::time_point began = Clock::now();
    Clock::time_point end = began + std::chrono::duration_cast<Clock::duration>(
                                        std::chrono::duration<double>(options.seconds));
    std::vector<std::thread> clients;
    for (int i = 0; i < options.connections; i++)
        clients.emplace_back(Client, std::cref(options), std::ref(totals), end);
    for (std::thread& client : clients)
        client.join();
    double elapsed = std::chrono::duration<double>(Clock::now() - began).count();

    if (!options.acknowledged.empty()) {
        std::ofstream file(options.acknowledged);
        for (const std::string& address : totals.addresses)
            file << address << '\n';
        if (!file.flush()) {
            std::fprintf(stderr, "registration-load: cannot write %s\n",
                         options.acknowledged.c_str());
            return 1;
        }
    }
    std::printf("%.0f %s/s: %ld acknowledged in %.2f s, %ld sent, %ld sent again, %ld failed\n",
                static_cast<double>(totals.acknowledged) / elapsed,
                options.post ? "registrations" : "requests", totals.acknowledged.load(), elapsed,
                totals.sent.load(), totals.resent.load(), totals.failed.load());
    return totals.failed == 0 ? 0 : 1;
}
