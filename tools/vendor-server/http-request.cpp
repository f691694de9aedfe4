#include "http-request.h"

#include <http_parser.h>

#include <algorithm>

// The parser's callbacks reach the reader through `data`.
struct HttpRequestReader::Parser {
    http_parser parser;
    http_parser_settings settings;
    bool inValue = false;
    bool complete = false;

    static HttpRequestReader& Reader(http_parser* parser) {
        return *static_cast<HttpRequestReader*>(parser->data);
    }

    static int OnUrl(http_parser* parser, const char* at, size_t length) {
        Reader(parser).request_.path.append(at, length);
        return 0;
    }

    static int OnHeaderField(http_parser* parser, const char* at, size_t length) {
        HttpRequestReader& reader = Reader(parser);
        auto& headers = reader.request_.headers;
        if (headers.empty() || reader.parser_->inValue)
            headers.emplace_back();
        reader.parser_->inValue = false;
        headers.back().first.append(at, length);
        return 0;
    }

    static int OnHeaderValue(http_parser* parser, const char* at, size_t length) {
        HttpRequestReader& reader = Reader(parser);
        reader.parser_->inValue = true;
        reader.request_.headers.back().second.append(at, length);
        return 0;
    }

    // What the body will be decides here, before any of it is read.
    static int OnHeadersComplete(http_parser* parser) {
        HttpRequestReader& reader = Reader(parser);
        reader.request_.method = http_method_str(http_method(parser->method));
        reader.request_.versionMinor = parser->http_minor;
        bool chunked = (parser->flags & F_CHUNKED) != 0;
        bool length = (parser->flags & F_CONTENTLENGTH) != 0;
        bool wantsBody = parser->method == HTTP_POST || parser->method == HTTP_PUT;
        if (wantsBody && !chunked && !length) {
            reader.Refuse(411, "a " + reader.request_.method + " without Content-Length");
            return -1;
        }
        if (length && parser->content_length > reader.limits_.maxBody) {
            reader.Refuse(413, "a body of " + std::to_string(parser->content_length) +
                                   " bytes, more than " + std::to_string(reader.limits_.maxBody));
            return -1;
        }
        return 0;
    }

    static int OnBody(http_parser* parser, const char* at, size_t length) {
        HttpRequestReader& reader = Reader(parser);
        // Only a chunked body can grow past the limit here.
        if (reader.request_.body.size() + length > reader.limits_.maxBody) {
            reader.Refuse(413, "a chunked body of more than " +
                                   std::to_string(reader.limits_.maxBody) + " bytes");
            return -1;
        }
        reader.request_.body.append(at, length);
        return 0;
    }

    static int OnMessageComplete(http_parser* parser) {
        Reader(parser).parser_->complete = true;
        // Whatever follows on the connection is not read.
        http_parser_pause(parser, 1);
        return 0;
    }
};

HttpRequestReader::HttpRequestReader(const RequestLimits& limits)
    : limits_(limits), parser_(new Parser()) {
    http_parser_init(&parser_->parser, HTTP_REQUEST);
    parser_->parser.data = this;
    http_parser_settings_init(&parser_->settings);
    parser_->settings.on_url = Parser::OnUrl;
    parser_->settings.on_header_field = Parser::OnHeaderField;
    parser_->settings.on_header_value = Parser::OnHeaderValue;
    parser_->settings.on_headers_complete = Parser::OnHeadersComplete;
    parser_->settings.on_body = Parser::OnBody;
    parser_->settings.on_message_complete = Parser::OnMessageComplete;
}

HttpRequestReader::~HttpRequestReader() = default;

void HttpRequestReader::Refuse(int status, const std::string& reason) {
    if (state_ != State::Reading)
        return;
    state_ = State::Refused;
    refusal_ = {status, reason};
}

// Why the parser stopped, in the words of the log.
static HttpRefusal ParserRefusal(http_errno error) {
    switch (error) {
    case HPE_UNEXPECTED_CONTENT_LENGTH:
        return {400, "Content-Length given twice, or together with chunked Transfer-Encoding"};
    case HPE_INVALID_CONTENT_LENGTH:
        return {400, "a Content-Length that is not a number of bytes"};
    case HPE_HEADER_OVERFLOW:
        return {431, "a header larger than the parser takes"};
    default:
        return {400, std::string("a malformed request (") + http_errno_description(error) + ")"};
    }
}

HttpRequestReader::State HttpRequestReader::Feed(const char* data, size_t length) {
    if (length > 0)
        started_ = true;
    http_parser& parser = parser_->parser;
    while (state_ == State::Reading && length > 0) {
        // While the header lasts, no more than one byte past its limit goes
        // in, so nothing in a header over the limit is acted on.
        bool inHeader = request_.method.empty();
        size_t piece = inHeader ? std::min(length, limits_.maxHeader + 1 - headerBytes_) : length;
        size_t taken = http_parser_execute(&parser, &parser_->settings, data, piece);
        if (inHeader && request_.method.empty()) {
            headerBytes_ += taken;
            if (headerBytes_ > limits_.maxHeader)
                Refuse(431, "request line and headers longer than " +
                                std::to_string(limits_.maxHeader) + " bytes");
        }
        http_errno error = HTTP_PARSER_ERRNO(&parser);
        if (parser_->complete) {
            if (state_ == State::Reading)
                state_ = State::Complete;
        } else if (error != HPE_OK) {
            HttpRefusal why = ParserRefusal(error);
            Refuse(why.status, why.reason);
        }
        data += piece;
        length -= piece;
    }
    return state_;
}
