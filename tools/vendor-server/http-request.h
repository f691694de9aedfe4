// One HTTP request as the server reads it off a connection, and the reader
// that takes it in piece by piece. The reader refuses, with the status to
// answer and the reason to log, every request whose end is not certain: no
// length, a length given twice or unreadable, a body over the limit.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct HttpRequest {
    std::string method;   // "GET", "POST", ...
    std::string path;     // the target's path, as sent (not decoded)
    int versionMinor = 0; // HTTP/1.x
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    std::string sender;   // the address it came from
};

struct HttpRefusal {
    int status = 0;       // 400, 411, 413, 431
    std::string reason;   // for the log and the answer's page
};

struct RequestLimits {
    size_t maxHeader = 16 * 1024; // request line and headers together
    size_t maxBody = 64 * 1024;
};

class HttpRequestReader {
public:
    enum class State { Reading, Complete, Refused };

    explicit HttpRequestReader(const RequestLimits& limits);
    ~HttpRequestReader();
    HttpRequestReader(const HttpRequestReader&) = delete;
    HttpRequestReader& operator=(const HttpRequestReader&) = delete;

    // Takes the next bytes of the connection. Once Complete or Refused,
    // further bytes are ignored: a connection carries one request.
    State Feed(const char* data, size_t length);
    State state() const { return state_; }
    // True once any byte arrived.
    bool Started() const { return started_; }

    HttpRequest& request() { return request_; }
    const HttpRefusal& refusal() const { return refusal_; }

private:
    struct Parser;
    friend struct Parser;
    void Refuse(int status, const std::string& reason);

    RequestLimits limits_;
    std::unique_ptr<Parser> parser_;
    State state_ = State::Reading;
    bool started_ = false;
    size_t headerBytes_ = 0;
    HttpRequest request_;
    HttpRefusal refusal_;
};
