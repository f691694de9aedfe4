// How a reply's body arrives: the chunked coding undone wherever the reads
// split it, relative redirects resolved, the fields a resumed download needs,
// and waits that end by the stall limit, the attempt's limit or a cancel.
#include "log-capture.h"
#include "net/http-chunked.h"
#include "net/http-exchange.h"
#include "net/http-location.h"
#include "net/http-reply.h"
#include "platform/platform.h"
#include "test_socket_servers.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Decode(const std::string& wire, size_t split, HttpChunkedState* state) {
    HttpChunked chunked;
    HttpChunkedBegin(&chunked);
    std::string out;
    for (size_t at = 0; at < wire.size(); at += split) {
        std::string piece = wire.substr(at, split);
        out.append(piece.data(), HttpChunkedDecode(&chunked, piece.data(), (int32_t)piece.size()));
    }
    *state = chunked.state;
    return out;
}

TEST(HttpChunked, BodyAndItsEndWhereverTheReadsSplit) {
    struct Case {
        std::string wire;
        std::string body;
        HttpChunkedState state;
    } cases[] = {
        {"4\r\nnew \r\n7\r\nrelease\r\n0\r\n\r\n", "new release", CHUNKED_DONE},
        {"4;x=y\r\nnew \r\nA\r\n0123456789\r\n0\r\nTrailer: 1\r\n\r\nafter", "new 0123456789",
         CHUNKED_DONE},
        {"4\nnew \n0\n\n", "new ", CHUNKED_DONE},                       // bare line feeds
        {"4\r\nnew \r\n7\r\nrelease\r\n", "new release", CHUNKED_SIZE},  // no last chunk
        {"4\r\nnew \r\n0\r\n", "new ", CHUNKED_TRAILER},                 // no empty line
        {"4\r\nnew", "new", CHUNKED_DATA},
        {"x\r\n", "", CHUNKED_MALFORMED},
        {"\r\n", "", CHUNKED_MALFORMED},
        {"4\r\nnew XX", "new ", CHUNKED_MALFORMED},                     // no CR LF after data
        {"1000000000000000\r\n", "", CHUNKED_MALFORMED},                 // 16 digits
    };
    for (const Case& c : cases) {
        for (size_t split = 1; split <= c.wire.size(); ++split) {
            HttpChunkedState state;
            EXPECT_EQ(Decode(c.wire, split, &state), c.body) << c.wire << " split " << split;
            EXPECT_EQ(state, c.state) << c.wire << " split " << split;
        }
    }
}

TEST(HttpLocation, RelativeLocationsResolveAgainstTheRequest) {
    const char* base = "http://h:81/dir/sub/file.exe?x=1";
    struct Case {
        const char* location;
        const char* resolved;
    } cases[] = {
        {"https://other/x", "https://other/x"},
        {"ftp://other/x", "ftp://other/x"},    // refused later, as before
        {"//other/x", "http://other/x"},
        {"/x/y.exe", "http://h:81/x/y.exe"},
        {"y.exe", "http://h:81/dir/sub/y.exe"},
        {"../y.exe", "http://h:81/dir/y.exe"},
        {"./a/../b/./y.exe", "http://h:81/dir/sub/b/y.exe"},
        {"../../../../y.exe", "http://h:81/y.exe"},
        {"..", "http://h:81/dir/"},
        {"?q=2", "http://h:81/dir/sub/file.exe?q=2"},
        {"/a/b?p=../c", "http://h:81/a/b?p=../c"},
    };
    for (const Case& c : cases) {
        char resolved[HTTP_TEXT_SIZE];
        ASSERT_EQ(HttpResolveLocation(base, c.location, resolved), 1) << c.location;
        EXPECT_STREQ(resolved, c.resolved) << c.location;
    }
    char resolved[HTTP_TEXT_SIZE];
    EXPECT_STREQ((HttpResolveLocation("http://h", "x", resolved), resolved), "http://h/x");
    EXPECT_EQ(HttpResolveLocation(base, ("/" + std::string(310, 'p')).c_str(), resolved), 0);
}

TEST(HttpReplyHeader, ValidatorsRangesAndCodings) {
    HttpReplyHeader h;
    std::string text = "HTTP/1.1 206 Partial\r\nETag: \"v1\"\r\nLast-Modified: Tue, 01 Dec 2026\r\n"
                       "Content-Range: bytes 4-10/11\r\nTransfer-Encoding: Chunked\r\n\r\n";
    ASSERT_EQ(HttpParseReplyHeader(text.data(), (int32_t)text.size(), &h), 1);
    EXPECT_STREQ(h.etag, "\"v1\"");
    EXPECT_STREQ(h.lastModified, "Tue, 01 Dec 2026");
    EXPECT_EQ(h.rangeStart, 4);
    EXPECT_EQ(h.rangeEnd, 10);
    EXPECT_EQ(h.rangeTotal, 11);
    EXPECT_TRUE(h.chunked);
    EXPECT_FALSE(h.otherCoding);

    struct Case {
        std::string field;
        const char* etag;
        int64_t rangeStart, rangeTotal;
        bool otherCoding, noRanges;
    } cases[] = {
        {"ETag: W/\"weak\"", "", -1, -1, false, false},    // a weak tag asks for no range
        {"ETag: \"" + std::string(HTTP_VALIDATOR_SIZE, 'e') + "\"", "", -1, -1, false, false},
        {"Content-Range: bytes 0-4/*", "", 0, -1, false, false},
        {"Content-Range: bytes 5-4/9", "", -1, -1, false, false},
        {"Content-Range: bytes 0-9/9", "", -1, -1, false, false},
        {"Content-Range: items 0-1/2", "", -1, -1, false, false},
        {"Transfer-Encoding: gzip, chunked", "", -1, -1, true, false},
        {"Transfer-Encoding: identity", "", -1, -1, false, false},
        {"Accept-Ranges: none", "", -1, -1, false, true},
    };
    for (const Case& c : cases) {
        text = "HTTP/1.1 200 OK\r\n" + c.field + "\r\n\r\n";
        ASSERT_EQ(HttpParseReplyHeader(text.data(), (int32_t)text.size(), &h), 1) << c.field;
        EXPECT_STREQ(h.etag, c.etag) << c.field;
        EXPECT_EQ(h.rangeStart, c.rangeStart) << c.field;
        EXPECT_EQ(h.rangeTotal, c.rangeTotal) << c.field;
        EXPECT_EQ(h.otherCoding, c.otherCoding) << c.field;
        EXPECT_EQ(h.noRanges, c.noRanges) << c.field;
    }
}

class HttpWaits : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(SocketStartup(), 1);
        saved_ = HttpLimits;
    }
    void TearDown() override {
        HttpLimits = saved_;
        SocketCleanup();
    }
    // Opens the exchange and reads the body to its end.
    int Fetch(const std::string& url, HttpReply* reply, SocketIdle idle = nullptr) {
        HttpRequest request = {url.c_str(), nullptr, "GET", nullptr, 0, 0, 1, nullptr, idle};
        if (!HttpExchangeOpen(&request, buffer_, sizeof buffer_, reply)) return 0;
        int32_t received = 0;
        while (HttpExchangeRead(reply, buffer_, sizeof buffer_, &received)) {
        }
        HttpExchangeClose(reply);
        return 1;
    }
    HttpTimeLimits saved_;
    char buffer_[4096];
};

TEST_F(HttpWaits, TricklingReplyEndsAtTheAttemptLimit) {
    net_test::HttpServer server("trickle");
    ASSERT_GT(server.Port(), 0);
    HttpLimits.attemptMs = 3000;    // the header comes within it, the body does not
    LogCapture log;
    uint32_t started = PlatTickCount();
    HttpReply reply;
    EXPECT_EQ(Fetch(server.Url("/v"), &reply), 1);
    EXPECT_EQ(reply.end, HTTP_END_LIMIT);
    EXPECT_LT(PlatTickCount() - started, 5000u);
    EXPECT_TRUE(log.Has("Attempt took longer than 3 s\n")) << log.Text();
}

TEST_F(HttpWaits, SilenceEndsAtTheStallLimitAndTheHookCancels) {
    net_test::HttpServer server("silent");
    ASSERT_GT(server.Port(), 0);
    HttpLimits.stallMs = 400;
    {
        LogCapture log;
        HttpReply reply;
        EXPECT_EQ(Fetch(server.Url("/v"), &reply), 0);
        EXPECT_EQ(reply.end, HTTP_END_TIMEOUT);
        EXPECT_TRUE(log.Has("Socket Read timeout (400)\n")) << log.Text();
    }
    HttpLimits.stallMs = 20000;
    static int calls;
    calls = 0;
    LogCapture log;
    uint32_t started = PlatTickCount();
    HttpReply reply;
    EXPECT_EQ(Fetch(server.Url("/v"), &reply, [] { return ++calls >= 5 ? 1 : 0; }), 0);
    EXPECT_EQ(reply.end, HTTP_END_CANCELLED);
    EXPECT_GE(calls, 5);
    EXPECT_LT(PlatTickCount() - started, 3000u);
    EXPECT_TRUE(log.Has("Socket Read cancelled\n")) << log.Text();
}

TEST(PlatInterrupt, CaughtInterruptIsRememberedUntilReleased) {
    PlatCatchInterrupt(1);
    EXPECT_EQ(PlatInterrupted(), 0);
#ifndef _WIN32
    raise(SIGINT);    // would end the test program if it were not caught
    EXPECT_EQ(PlatInterrupted(), 1);
#endif
    PlatCatchInterrupt(0);
    EXPECT_EQ(PlatInterrupted(), 0);
}

}    // namespace
