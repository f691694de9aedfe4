// Socket layer against real loopback servers: connect, refusal, time-outs,
// cancel, and replies read until the server closes, whole or in pieces.
#include "log-capture.h"
#include "net/socket.h"
#include "test_socket_servers.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

using net_test::HttpServer;

const uint8_t loopback[4] = {127, 0, 0, 1};
const char request[] = "GET /case HTTP/1.0\r\n\r\n";

class SocketLoopback : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(SocketStartup(), 1);
        SocketNew(&socket_);
        ASSERT_EQ(SocketCreate(socket_, SOCKET_PROTOCOL_TCP), 1);
    }
    void TearDown() override {
        SocketDelete(&socket_);
        SocketCleanup();
    }

    void Connect(const HttpServer& server) {
        ASSERT_GT(server.Port(), 0) << "the loopback server did not start";
        ASSERT_EQ(SocketConnect(socket_, loopback, server.Port()), 1);
    }

    void Send(const std::string& data) {
        int32_t sent = 0;
        ASSERT_EQ(SocketWrite(socket_, data.data(), (int32_t)data.size(), &sent), 1);
        ASSERT_EQ(sent, (int32_t)data.size());
    }

    // Reads as the callers do: while SocketRead returns 1.
    std::string ReadUntilClosed(int32_t chunk = 4096, int* reads = nullptr) {
        std::string reply;
        char buffer[4096];
        int32_t received = 0;
        int count = 0;
        while (SocketRead(socket_, buffer, chunk, &received) == 1) {
            reply.append(buffer, received);
            ++count;
        }
        EXPECT_EQ(received, 0);
        if (reads) *reads = count;
        return reply;
    }

    static double SecondsSince(std::chrono::steady_clock::time_point start) {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

    Socket* socket_ = nullptr;
};

TEST_F(SocketLoopback, ExchangeReadsUntilTheServerCloses) {
    HttpServer server("ok");
    Connect(server);
    EXPECT_EQ(socket_->peerPort, server.Port());
    EXPECT_EQ(socket_->peerAddress[0], 127);
    EXPECT_EQ(socket_->peerAddress[3], 1);
    EXPECT_EQ(socket_->blocking, 1);    // back to the recorded mode
    Send(request);
    EXPECT_EQ(ReadUntilClosed(), "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nRegSuccess\r\n");
    EXPECT_EQ(server.Request(), request);
    EXPECT_EQ(SocketShutdown(socket_), 1);
}

TEST_F(SocketLoopback, RepliesInPiecesAndLargeRepliesArriveWhole) {
    {
        HttpServer server("split");
        Connect(server);
        Send(request);
        int reads = 0;
        EXPECT_EQ(ReadUntilClosed(4096, &reads),
                  "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nRegSuccess\r\n");
        EXPECT_GT(reads, 1);
    }
    SocketClose(socket_);
    SocketCreate(socket_, SOCKET_PROTOCOL_TCP);
    {
        HttpServer server("big");
        Connect(server);
        Send(request);
        std::string reply = ReadUntilClosed(1000);
        ASSERT_EQ(reply.size(), 42u + 65536u);
        EXPECT_EQ(reply.substr(reply.size() - 16), "0123456789abcdef");
    }
}

TEST_F(SocketLoopback, ReadWaitsAcrossSlicesWithinItsTimeout) {
    HttpServer server("slow");    // two pieces, 1.3 s apart
    socket_->readTimeout = 3000;
    Connect(server);
    Send(request);
    LogCapture log;
    EXPECT_EQ(ReadUntilClosed(), "HTTP/1.0 200 OK\r\n\r\nslow but sure\r\n");
    EXPECT_FALSE(log.Has("timeout"));
}

TEST_F(SocketLoopback, ServerClosingEarlyEndsTheRead) {
    {
        HttpServer server("cut");
        Connect(server);
        Send(request);
        EXPECT_EQ(ReadUntilClosed(), std::string("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\npartial"));
    }
    SocketClose(socket_);
    SocketCreate(socket_, SOCKET_PROTOCOL_TCP);
    {
        HttpServer server("close-at-once");
        socket_->readTimeout = 2000;
        Connect(server);
        LogCapture log;
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(ReadUntilClosed(), "");
        EXPECT_LT(SecondsSince(start), 1.5);
        EXPECT_FALSE(log.Has("timeout"));
    }
}

TEST_F(SocketLoopback, RefusedConnectFailsWithoutLogLine) {
    LogCapture log;
    // Nothing listens on port 1 of the loopback address.
    EXPECT_EQ(SocketConnect(socket_, loopback, 1), 0);
    EXPECT_EQ(log.Text(), "");
    EXPECT_EQ(socket_->peerPort, 0);
    EXPECT_EQ(socket_->blocking, 1);
}

TEST_F(SocketLoopback, ConnectTimesOutOrIsCancelled) {
    HttpServer server("no-accept");
    ASSERT_GT(server.Port(), 0);
    LogCapture log;
    socket_->connectTimeout = 1500;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SocketConnect(socket_, loopback, server.Port()), 0);
    double waited = SecondsSince(start);
    EXPECT_GE(waited, 1.4);
    EXPECT_LT(waited, 3.5);
    EXPECT_TRUE(log.Has("Socket connect timeout (1500)\n"));
    EXPECT_EQ(socket_->blocking, 1);

    SocketClose(socket_);
    SocketCreate(socket_, SOCKET_PROTOCOL_TCP);
    socket_->cancel = 1;
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(SocketConnect(socket_, loopback, server.Port()), 0);
    EXPECT_LT(SecondsSince(start), 1.0);
    EXPECT_TRUE(log.Has("Socket connect cancelled\n"));
    EXPECT_EQ(socket_->cancel, 0);
}

TEST_F(SocketLoopback, SilentServerTimesTheReadOutOrIsCancelled) {
    HttpServer server("silent");
    Connect(server);
    Send(request);
    LogCapture log;
    socket_->readTimeout = 1200;
    char buffer[64];
    int32_t received = -1;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SocketRead(socket_, buffer, sizeof buffer, &received), 0);
    double waited = SecondsSince(start);
    EXPECT_GE(waited, 1.1);
    EXPECT_LT(waited, 3.0);
    EXPECT_EQ(received, 0);
    EXPECT_TRUE(log.Has("Socket Read timeout (1200)\n"));

    socket_->cancel = 1;
    EXPECT_EQ(SocketRead(socket_, buffer, sizeof buffer, &received), 0);
    EXPECT_TRUE(log.Has("Socket Read cancelled\n"));
    EXPECT_EQ(socket_->cancel, 0);
}

TEST_F(SocketLoopback, WaitReportsReadinessAndTimeout) {
    HttpServer server("silent");
    Connect(server);
    SocketSet readSet, writeSet;
    SocketSetClear(&readSet);
    SocketSetClear(&writeSet);
    SocketSetAdd(&readSet, socket_);
    SocketSetAdd(&writeSet, socket_);
    int32_t count = -1;
    // Writable at once, nothing to read.
    ASSERT_EQ(SocketWait(&readSet, &writeSet, nullptr, socket_, 500, &count), 1);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(SocketSetHas(&writeSet, socket_), 1);
    EXPECT_EQ(SocketSetHas(&readSet, socket_), 0);

    SocketSetClear(&readSet);
    SocketSetAdd(&readSet, socket_);
    ASSERT_EQ(SocketWait(&readSet, nullptr, nullptr, nullptr, 300, &count), 1);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(readSet.count, 0u);
}

TEST_F(SocketLoopback, WriteAfterShutdownFailsWithTheSameTextEverywhere) {
    HttpServer server("silent");
    Connect(server);
    ASSERT_EQ(SocketShutdown(socket_), 1);
    int32_t sent = -1;
    EXPECT_EQ(SocketWrite(socket_, "x", 1, &sent), 0);
    EXPECT_EQ(sent, 0);
    EXPECT_STREQ(SocketErrorText(socket_), "Cannot send after socket shutdown");
}


}    // namespace
