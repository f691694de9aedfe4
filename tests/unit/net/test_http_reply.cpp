// The reply header parser: where the header ends, the status line and the
// fields it takes, and the headers it refuses.
#include "net/http-reply.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(HttpReplyHeader, EndIsTheFirstEmptyLine) {
    struct Case {
        std::string data;
        int32_t end;
    } cases[] = {
        {"HTTP/1.0 200 OK\r\n\r\nbody", 19},
        {"HTTP/1.0 200 OK\n\nbody", 17},
        {"HTTP/1.0 200 OK\r\nA: b\r\n\r\n\r\n", 25},
        {"HTTP/1.0 200 OK\r\n\r", 0},
        {"HTTP/1.0 200 OK\r\n", 0},
        {"HTTP/1.0 200 OK\r\nA: \r\n", 0},
        {"", 0},
        {"\n", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HttpHeaderEnd(c.data.data(), (int32_t)c.data.size()), c.end) << c.data;
}

TEST(HttpReplyHeader, StatusLengthAndLocation) {
    struct Case {
        std::string header;
        int result;
        int status;
        int64_t length;
        const char* location;
    } cases[] = {
        {"HTTP/1.0 200 OK\r\nContent-Length: 11\r\n\r\n", 1, 200, 11, ""},
        {"HTTP/1.1 404 Not Found\r\ncontent-length:22\r\n\r\n", 1, 404, 22, ""},
        {"HTTP/1.1 204\r\n\r\n", 1, 204, -1, ""},
        {"HTTP/1.1 302 Found\r\nLOCATION:  http://h/x \r\n\r\n", 1, 302, -1, "http://h/x"},
        {"HTTP/1.0 200 OK\nContent-Length: 5\nX: y\n\n", 1, 200, 5, ""},
        {"HTTP/1.0 200 OK\r\nContent-Length: 5\r\nContent-Length: 5\r\n\r\n", 1, 200, 5, ""},
        {"HTTP/1.0 200 OK\r\nX-Content-Length: 9\r\nnot a field\r\n\r\n", 1, 200, -1, ""},
        {"HTTP/1.0 200 OK\r\n\r\nContent-Length: 9\r\n\r\n", 1, 200, -1, ""},    // body
        {"HTTP/1.0 200 OK\r\nContent-Length: 999999999999999\r\n\r\n", 1, 200, 999999999999999, ""},
        // Refused: what a length or status cannot be.
        {"HTTP/1.0 200 OK\r\nContent-Length: 5\r\nContent-Length: 6\r\n\r\n", 0, 200, 5, ""},
        {"HTTP/1.0 200 OK\r\nContent-Length: -1\r\n\r\n", 0, 200, -1, ""},
        {"HTTP/1.0 200 OK\r\nContent-Length: 1 2\r\n\r\n", 0, 200, -1, ""},
        {"HTTP/1.0 200 OK\r\nContent-Length:\r\n\r\n", 0, 200, -1, ""},
        {"HTTP/1.0 200 OK\r\nContent-Length: 1000000000000000\r\n\r\n", 0, 200, -1, ""},
        {"HTTP/1.0 20 OK\r\n\r\n", 0, 0, -1, ""},
        {"HTTP/1.0 2000 OK\r\n\r\n", 0, 0, -1, ""},
        {"HTTP/1.0 099 Low\r\n\r\n", 0, 0, -1, ""},
        {"HTTP/1 200 OK\r\n\r\n", 0, 0, -1, ""},
        {"HTTP/1.0200 OK\r\n\r\n", 0, 0, -1, ""},
        {"http/1.0 200 OK\r\n\r\n", 0, 0, -1, ""},
        {"ICY 200 OK\r\n\r\n", 0, 0, -1, ""},
        {"\x16" "1Tolvane Demo\r\n", 0, 0, -1, ""},
        {"", 0, 0, -1, ""},
    };
    for (const Case& c : cases) {
        HttpReplyHeader header;
        EXPECT_EQ(HttpParseReplyHeader(c.header.data(), (int32_t)c.header.size(), &header), c.result)
            << c.header;
        EXPECT_EQ(header.status, c.status) << c.header;
        EXPECT_EQ(header.contentLength, c.length) << c.header;
        EXPECT_STREQ(header.location, c.location) << c.header;
    }
}

TEST(HttpReplyHeader, StatusLineAndLocationNeverOverflow) {
    std::string reason(400, 'r');
    std::string longest(HTTP_TEXT_SIZE - 1, 'l');
    std::string header = "HTTP/1.1 301 " + reason + "\r\nLocation: " + longest + "\r\n\r\n";
    HttpReplyHeader parsed;
    ASSERT_EQ(HttpParseReplyHeader(header.data(), (int32_t)header.size(), &parsed), 1);
    EXPECT_EQ(std::string(parsed.statusLine), ("HTTP/1.1 301 " + reason).substr(0, HTTP_STATUS_LINE_SIZE - 1));
    EXPECT_EQ(parsed.location, longest);
    EXPECT_FALSE(parsed.locationTooLong);

    header = "HTTP/1.1 301 Moved\r\nLocation: " + longest + "l\r\n\r\n";
    ASSERT_EQ(HttpParseReplyHeader(header.data(), (int32_t)header.size(), &parsed), 1);
    EXPECT_STREQ(parsed.location, "");
    EXPECT_TRUE(parsed.locationTooLong);
}

TEST(HttpReplyHeader, WhichStatusesSucceedOrRedirect) {
    for (int status : {200, 203, 299}) EXPECT_TRUE(HttpIsSuccess(status)) << status;
    for (int status : {199, 300, 304, 404, 500}) EXPECT_FALSE(HttpIsSuccess(status)) << status;
    for (int status : {301, 302, 303, 307, 308}) EXPECT_TRUE(HttpIsRedirect(status)) << status;
    for (int status : {300, 304, 305, 306, 200}) EXPECT_FALSE(HttpIsRedirect(status)) << status;
}

}    // namespace
