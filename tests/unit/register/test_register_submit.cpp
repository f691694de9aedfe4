// Posting a registration to the loopback HTTP server: the request as it
// leaves, and which replies acknowledge it.
#include "register/payload.h"
#include "register/register.h"

#include "base/core.h"
#include "base/identity.h"
#include "net/socket.h"
#include "test_socket_servers.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class SubmitTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(SocketStartup(), 1);
        liveBlocks_ = MemGetStats().count;
        PayloadWriter writer;
        PayloadWriterInit(&writer, payload_, sizeof payload_);
        PayloadAddField(&writer, 0, "v" PROGRAM_VERSION " (" PROGRAM_BUILD ")");
        PayloadAddField(&writer, 200, "%s", "Ann");
        PayloadAddField(&writer, 202, "%s", "1 Main Street");
        PayloadAddField(&writer, 203, "%s", "Springfield");
        PayloadAddField(&writer, 207, "%s", "ann@example.com");
        PayloadAddField(&writer, 310, "%s", "Microsoft Windows NT 10.0.19045");
        length_ = static_cast<int32_t>(writer.position - payload_);
        ScramblePayload(payload_, length_);
    }
    void TearDown() override {
        EXPECT_EQ(MemGetStats().count, liveBlocks_) << "buffers left behind";
        SocketCleanup();
    }
    int Submit(const net_test::HttpServer& server) {
        return SubmitRegistration(server.Url("/cgi/register").c_str(), 0, payload_, length_);
    }

    char payload_[256];
    int32_t length_ = 0;
    int32_t liveBlocks_ = 0;
};

TEST_F(SubmitTest, ThePostCarriesTheFramedBody) {
    net_test::HttpServer server("ok");
    ASSERT_EQ(Submit(server), 1);
    char body[512];
    int32_t bodyLength = 0;
    BuildRegistrationBody(payload_, length_, body, &bodyLength);
    EXPECT_EQ(server.Request(), "POST /cgi/register HTTP/1.0\r\n"
                                "User-Agent: Tolvane Register Uninstall (www.tolvane.example)\r\n"
                                "Host: 127.0.0.1:" + std::to_string(server.Port()) + "\r\n"
                                "Content-Length: " +
                                    std::to_string(bodyLength) +
                                    "\r\n"
                                    "Connection: closed\r\n\r\n" +
                                    std::string(body, static_cast<size_t>(bodyLength)));
}

TEST_F(SubmitTest, TheWordCountsSplitOverPiecesAndInAnyCase) {
    // "split" sends the reply in five pieces; the word straddles two.
    for (const char* name : {"split", "lower-case"}) {
        net_test::HttpServer server(name);
        EXPECT_EQ(Submit(server), 1) << name;
    }
}

TEST_F(SubmitTest, RepliesWithoutTheWordFail) {
    // An error page, a reply cut short, a connection closed unanswered, the
    // word too late for the reply buffer, and 64 KiB of anything else.
    for (const char* name : {"refused", "cut", "close-at-once", "late-success", "big"}) {
        net_test::HttpServer server(name);
        EXPECT_EQ(Submit(server), 0) << name;
    }
}

TEST_F(SubmitTest, NoServerMeansNoSubmission) {
    std::string url;
    {
        net_test::HttpServer server("ok");
        url = server.Url("/cgi/register");
    }
    EXPECT_EQ(SubmitRegistration(url.c_str(), 0, payload_, length_), 0);
}

} // namespace
