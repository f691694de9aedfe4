// One request as the program's callers make it: open, send the header and
// the body, read until the server closes, close.
#pragma once

#include "net/http-exchange.h"
#include "net/http.h"
#include "net/socket.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace net_test {

#define TEST_USER_AGENT "Tolvane Register Uninstall (www.tolvane.example)"

struct HttpExchange {
    int opened = 0;
    std::string header;    // what HttpOpenRequest composed
    std::string reply;

    HttpExchange(const std::string& url, const char* method, const std::string& body, int useProxy,
                 const char* agent = TEST_USER_AGENT) {
        static char buffer[20480];
        std::memset(buffer, 0x5A, sizeof buffer);
        Socket* socket = nullptr;
        int32_t length = -1;
        HttpRequest request = {url.c_str(), agent, method, body.data(), (int32_t)body.size(),
                               useProxy, 0, nullptr};
        opened = HttpOpenRequest(&request, &socket, buffer, sizeof buffer, &length);
        if (!opened) {
            EXPECT_EQ(socket, nullptr);
            return;
        }
        header.assign(buffer, length);
        EXPECT_EQ(buffer[length], '\0');
        EXPECT_EQ(HttpSendAll(socket, buffer, length), 1);
        EXPECT_EQ(HttpSendAll(socket, body.data(), (int32_t)body.size()), 1);
        char chunk[4096];
        int32_t received = 0;
        while (SocketRead(socket, chunk, sizeof chunk, &received) == 1) reply.append(chunk, received);
        SocketShutdown(socket);
        SocketClose(socket);
        SocketDelete(&socket);
    }
};

}    // namespace net_test
