// Serves HTTP connections from one thread without a thread each: a client
// that sends its request slowly, or never, costs a socket and a buffer,
// never a worker. Only a complete request goes to the worker pool; the
// answer is written back by this thread as fast as the client takes it.
//
// Limits: a whole request must arrive within `requestSeconds` of the
// connection (else 408), its header and body within their sizes (431, 413),
// and at most `maxConnections` are open at once (others get 503). Each
// listener has its own handler, so another address can serve other pages.
#pragma once

#include "http-request.h"
#include "http-response.h"

#include <signal.h>

#include <functional>
#include <memory>
#include <string>

struct ServerLimits {
    RequestLimits request;
    int requestSeconds = 30;    // from accepting a connection to its whole request
    int idleWriteSeconds = 60;  // an answer's reader must take some bytes within this
    int drainMilliseconds = 2000; // reading what a client still sends after its answer
    size_t maxConnections = 0;  // 0: as many as the open-file limit leaves room for
};

using RequestHandler = std::function<HttpResponse(HttpRequest& request)>;
using LogLine = std::function<void(const std::string& line)>;

class ConnectionLoop {
public:
    // `workers` threads run the handlers.
    ConnectionLoop(const ServerLimits& limits, int workers, LogLine log);
    ~ConnectionLoop();
    ConnectionLoop(const ConnectionLoop&) = delete;
    ConnectionLoop& operator=(const ConnectionLoop&) = delete;

    // Binds HOST:PORT (port 0: a free one, returned in `boundPort`). False
    // with `error` set when it cannot.
    bool Listen(const std::string& host, int port, RequestHandler handler, int* boundPort,
                std::string& error);

    // Serves until one of `stopSignals` arrives (they must be blocked in
    // every thread), then stops accepting and finishes the requests in
    // progress. False when the loop itself failed.
    bool Run(const sigset_t& stopSignals);

private:
    struct State;
    std::unique_ptr<State> state_;
};
