#include "connection-loop.h"

#include "worker-pool.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/sendfile.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Identifiers below this are the loop's own descriptors, not connections.
const uint64_t SIGNAL_ID = 1, WAKE_ID = 2, FIRST_LISTENER_ID = 16, FIRST_CONNECTION_ID = 1024;
const size_t READ_CHUNK = 16 * 1024;
const size_t FILE_CHUNK = 256 * 1024;
// How often deadlines are looked at, at the least.
const int SWEEP_MILLISECONDS = 200;
// Descriptors kept for the database, the files being sent and the loop.
const rlim_t RESERVED_DESCRIPTORS = 64;

enum class Phase { Reading, Working, Writing, Draining };

struct Connection {
    int fd = -1;
    size_t listener = 0;
    std::string sender;
    Phase phase = Phase::Reading;
    Clock::time_point deadline;
    std::unique_ptr<HttpRequestReader> reader;
    std::string out;            // status line, headers and a page
    size_t sent = 0;
    int file = -1;              // a file streamed after `out`
    unsigned long long fileLeft = 0;
    off_t fileOffset = 0;

    ~Connection() {
        if (file >= 0)
            close(file);
        if (fd >= 0)
            close(fd);
    }
};

struct Listener {
    int fd = -1;
    RequestHandler handler;
};

std::string AddressText(const sockaddr_storage& address) {
    char text[INET6_ADDRSTRLEN] = "?";
    if (address.ss_family == AF_INET)
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(address).sin_addr, text,
                  sizeof text);
    else if (address.ss_family == AF_INET6)
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6&>(address).sin6_addr, text,
                  sizeof text);
    return text;
}

// Raises the open-file limit as far as allowed; the connections it leaves
// room for.
size_t ConnectionRoom() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 256;
    if (limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
        getrlimit(RLIMIT_NOFILE, &limit);
    }
    rlim_t room = limit.rlim_cur > 2 * RESERVED_DESCRIPTORS ? limit.rlim_cur - RESERVED_DESCRIPTORS
                                                            : RESERVED_DESCRIPTORS;
    return size_t(std::min<rlim_t>(room, 65536));
}

} // namespace

struct ConnectionLoop::State {
    ServerLimits limits;
    LogLine log;
    std::unique_ptr<WorkerPool> workers;
    int epoll = -1;
    int wake = -1;
    std::vector<Listener> listeners;
    std::map<uint64_t, std::unique_ptr<Connection>> connections;
    uint64_t nextId = FIRST_CONNECTION_ID;
    bool stopping = false;

    // Answers made by the workers, for this thread to write.
    std::mutex doneMutex;
    std::deque<std::pair<uint64_t, HttpResponse>> done;

    State(const ServerLimits& limits, int workers, LogLine log)
        : limits(limits), log(std::move(log)), workers(new WorkerPool(workers)) {
        if (this->limits.maxConnections == 0)
            this->limits.maxConnections = ConnectionRoom();
        epoll = epoll_create1(EPOLL_CLOEXEC);
        wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        Watch(wake, WAKE_ID, EPOLLIN);
    }

    ~State() {
        // Work still in progress (for a client that left) ends first: it
        // hands its answer to this state.
        workers.reset();
        connections.clear();
        for (Listener& listener : listeners)
            if (listener.fd >= 0)
                close(listener.fd);
        close(wake);
        close(epoll);
    }

    void Watch(int fd, uint64_t id, uint32_t events) {
        epoll_event event{};
        event.events = events;
        event.data.u64 = id;
        epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &event);
    }

    void Rewatch(const Connection& connection, uint64_t id, uint32_t events) {
        epoll_event event{};
        event.events = events;
        event.data.u64 = id;
        epoll_ctl(epoll, EPOLL_CTL_MOD, connection.fd, &event);
    }

    void Accept(size_t index) {
        for (;;) {
            sockaddr_storage address{};
            socklen_t length = sizeof address;
            int fd = accept4(listeners[index].fd, reinterpret_cast<sockaddr*>(&address), &length,
                             SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0)
                return; // EAGAIN, or a connection that went away: nothing to serve
            auto connection = std::make_unique<Connection>();
            connection->fd = fd;
            connection->listener = index;
            connection->sender = AddressText(address);
            uint64_t id = nextId++;
            if (connections.size() >= limits.maxConnections) {
                Refuse(*connection, id, {503, std::to_string(connections.size()) +
                                                  " connections are open already"});
                // Told at once, without waiting for its request.
                SendSome(*connection);
                continue;
            }
            connection->reader = std::make_unique<HttpRequestReader>(limits.request);
            connection->deadline = Clock::now() + std::chrono::seconds(limits.requestSeconds);
            Watch(fd, id, EPOLLIN | EPOLLRDHUP);
            connections.emplace(id, std::move(connection));
        }
    }

    // The answer to a request this loop refuses itself; logged with why.
    void Refuse(Connection& connection, uint64_t id, const HttpRefusal& refusal) {
        log("refused a request from " + connection.sender + ": " +
            std::to_string(refusal.status) + " " + refusal.reason);
        HttpResponse response = PageResponse(
            refusal.status, "The request was refused: " + refusal.reason + ".");
        StartWriting(connection, id, std::move(response));
    }

    void Read(uint64_t id, Connection& connection) {
        char buffer[READ_CHUNK];
        for (;;) {
            ssize_t got = recv(connection.fd, buffer, sizeof buffer, 0);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return;
            if (got <= 0) {
                if (connection.reader->Started())
                    log("dropped a request from " + connection.sender +
                        ": the connection ended before the request was complete");
                return Close(id);
            }
            switch (connection.reader->Feed(buffer, size_t(got))) {
            case HttpRequestReader::State::Reading:
                continue;
            case HttpRequestReader::State::Refused:
                return Refuse(connection, id, connection.reader->refusal());
            case HttpRequestReader::State::Complete:
                return Dispatch(id, connection);
            }
        }
    }

    void Dispatch(uint64_t id, Connection& connection) {
        connection.phase = Phase::Working;
        Rewatch(connection, id, 0);
        auto request = std::make_shared<HttpRequest>(std::move(connection.reader->request()));
        request->sender = connection.sender;
        connection.reader.reset();
        RequestHandler handler = listeners[connection.listener].handler;
        workers->Run([this, id, request, handler] {
            HttpResponse response = handler(*request);
            {
                std::lock_guard<std::mutex> lock(doneMutex);
                done.emplace_back(id, std::move(response));
            }
            uint64_t one = 1;
            ssize_t written = write(wake, &one, sizeof one);
            (void)written; // a full counter wakes the loop all the same
        });
    }

    void CollectAnswers() {
        uint64_t count;
        while (read(wake, &count, sizeof count) > 0) {
        }
        std::deque<std::pair<uint64_t, HttpResponse>> answers;
        {
            std::lock_guard<std::mutex> lock(doneMutex);
            answers.swap(done);
        }
        for (auto& [id, response] : answers) {
            auto found = connections.find(id);
            if (found == connections.end()) {
                if (response.file >= 0)
                    close(response.file);
                continue;
            }
            StartWriting(*found->second, id, std::move(response));
            if (!SendSome(*found->second))
                Close(id);
            else
                FinishIfSent(id);
        }
    }

    void StartWriting(Connection& connection, uint64_t id, HttpResponse response) {
        connection.phase = Phase::Writing;
        connection.out = ResponseHead(response);
        if (!response.headOnly)
            connection.out += response.body;
        if (response.file >= 0 && !response.headOnly) {
            connection.file = response.file;
            connection.fileLeft = response.fileSize;
        } else if (response.file >= 0) {
            close(response.file);
        }
        connection.deadline = Clock::now() + std::chrono::seconds(limits.idleWriteSeconds);
        if (connections.count(id))
            Rewatch(connection, id, EPOLLOUT);
    }

    // Writes what the socket takes now. False when the connection failed.
    bool SendSome(Connection& connection) {
        bool progressed = false;
        while (connection.sent < connection.out.size()) {
            ssize_t put = send(connection.fd, connection.out.data() + connection.sent,
                               connection.out.size() - connection.sent, MSG_NOSIGNAL);
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                break;
            if (put < 0)
                return false;
            connection.sent += size_t(put);
            progressed = true;
        }
        while (connection.sent == connection.out.size() && connection.fileLeft > 0) {
            size_t chunk = size_t(std::min<unsigned long long>(connection.fileLeft, FILE_CHUNK));
            ssize_t put = sendfile(connection.fd, connection.file, &connection.fileOffset, chunk);
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                break;
            // The file shrank under us: its length was promised, so the
            // connection can only end.
            if (put <= 0)
                return false;
            connection.fileLeft -= (unsigned long long)put;
            progressed = true;
        }
        if (progressed)
            connection.deadline = Clock::now() + std::chrono::seconds(limits.idleWriteSeconds);
        return true;
    }

    bool Sent(const Connection& connection) const {
        return connection.sent == connection.out.size() && connection.fileLeft == 0;
    }

    // After the whole answer: the client may still be sending (a refused
    // body); reading it until it stops keeps the answer from being lost to a
    // reset.
    void FinishIfSent(uint64_t id) {
        Connection& connection = *connections[id];
        if (!Sent(connection))
            return;
        shutdown(connection.fd, SHUT_WR);
        connection.phase = Phase::Draining;
        connection.deadline = Clock::now() + std::chrono::milliseconds(limits.drainMilliseconds);
        Rewatch(connection, id, EPOLLIN | EPOLLRDHUP);
    }

    void Drain(uint64_t id, Connection& connection) {
        char buffer[READ_CHUNK];
        for (;;) {
            ssize_t got = recv(connection.fd, buffer, sizeof buffer, 0);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return;
            if (got <= 0)
                return Close(id);
        }
    }

    void Close(uint64_t id) { connections.erase(id); }

    void HandleConnection(uint64_t id, uint32_t events) {
        auto found = connections.find(id);
        if (found == connections.end())
            return;
        Connection& connection = *found->second;
        switch (connection.phase) {
        case Phase::Reading:
            return Read(id, connection);
        case Phase::Working:
            // Gone before its answer: the work goes on, the answer is dropped.
            if (events & (EPOLLERR | EPOLLHUP))
                Close(id);
            return;
        case Phase::Writing:
            if ((events & EPOLLERR) || !SendSome(connection))
                return Close(id);
            return FinishIfSent(id);
        case Phase::Draining:
            return Drain(id, connection);
        }
    }

    void Sweep() {
        Clock::time_point now = Clock::now();
        std::vector<uint64_t> late;
        for (auto& [id, connection] : connections)
            if (connection->phase != Phase::Working && connection->deadline <= now)
                late.push_back(id);
        for (uint64_t id : late) {
            Connection& connection = *connections[id];
            if (connection.phase == Phase::Reading) {
                Refuse(connection, id,
                       {408, connection.reader->Started()
                                 ? "the request was not complete within " +
                                       std::to_string(limits.requestSeconds) + " s"
                                 : "no request within " + std::to_string(limits.requestSeconds) +
                                       " s"});
                if (!SendSome(connection))
                    Close(id);
                else
                    FinishIfSent(id);
            } else {
                if (connection.phase == Phase::Writing)
                    log("gave up sending to " + connection.sender + ": it took nothing for " +
                        std::to_string(limits.idleWriteSeconds) + " s");
                Close(id);
            }
        }
    }

    // Stops accepting; requests still being read are dropped, those being
    // worked on or answered are finished.
    void Stop() {
        stopping = true;
        for (Listener& listener : listeners) {
            close(listener.fd);
            listener.fd = -1;
        }
        std::vector<uint64_t> reading;
        for (auto& [id, connection] : connections)
            if (connection->phase == Phase::Reading || connection->phase == Phase::Draining)
                reading.push_back(id);
        for (uint64_t id : reading)
            Close(id);
    }
};

ConnectionLoop::ConnectionLoop(const ServerLimits& limits, int workers, LogLine log)
    : state_(new State(limits, workers, std::move(log))) {}

ConnectionLoop::~ConnectionLoop() = default;

bool ConnectionLoop::Listen(const std::string& host, int port, RequestHandler handler,
                            int* boundPort, std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    int failed = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (failed != 0) {
        error = gai_strerror(failed);
        return false;
    }
    int fd = socket(found->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    int yes = 1;
    bool ok = fd >= 0 && setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) == 0 &&
              bind(fd, found->ai_addr, found->ai_addrlen) == 0 && listen(fd, SOMAXCONN) == 0;
    freeaddrinfo(found);
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    if (ok)
        ok = getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length) == 0;
    if (!ok) {
        error = std::strerror(errno);
        if (fd >= 0)
            close(fd);
        return false;
    }
    *boundPort = ntohs(bound.ss_family == AF_INET6
                           ? reinterpret_cast<sockaddr_in6&>(bound).sin6_port
                           : reinterpret_cast<sockaddr_in&>(bound).sin_port);
    state_->listeners.push_back({fd, std::move(handler)});
    state_->Watch(fd, FIRST_LISTENER_ID + state_->listeners.size() - 1, EPOLLIN);
    return true;
}

bool ConnectionLoop::Run(const sigset_t& stopSignals) {
    State& state = *state_;
    int signals = signalfd(-1, &stopSignals, SFD_NONBLOCK | SFD_CLOEXEC);
    if (signals < 0 || state.epoll < 0 || state.wake < 0)
        return false;
    state.Watch(signals, SIGNAL_ID, EPOLLIN);
    Clock::time_point lastSweep = Clock::now();
    epoll_event events[256];
    while (!state.stopping || !state.connections.empty()) {
        int count = epoll_wait(state.epoll, events, 256, SWEEP_MILLISECONDS);
        if (count < 0 && errno != EINTR) {
            close(signals);
            return false;
        }
        for (int i = 0; i < count; i++) {
            uint64_t id = events[i].data.u64;
            if (id == SIGNAL_ID) {
                signalfd_siginfo info;
                while (read(signals, &info, sizeof info) > 0) {
                }
                if (!state.stopping)
                    state.Stop();
            } else if (id == WAKE_ID) {
                state.CollectAnswers();
            } else if (id < FIRST_CONNECTION_ID) {
                if (!state.stopping)
                    state.Accept(size_t(id - FIRST_LISTENER_ID));
            } else {
                state.HandleConnection(id, events[i].events);
            }
        }
        if (Clock::now() - lastSweep >= std::chrono::milliseconds(SWEEP_MILLISECONDS)) {
            state.Sweep();
            lastSweep = Clock::now();
        }
    }
    close(signals);
    return true;
}
