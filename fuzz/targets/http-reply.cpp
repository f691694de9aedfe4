// The HTTP replies of the version check and of the download, served by a
// loopback server that writes the input in pieces split at places the
// input's first byte chooses, so that every way a reply can arrive is read.
#include "fuzz-support.h"
#include "net/socket.h"
#include "script/script.h"
#include "update/update.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <vector>

namespace {

int listener = -1;
int port = 0;

// Accepts `connections` clients and writes the reply to each in pieces.
void Serve(int connections, const std::vector<uint8_t>& reply, uint32_t seed) {
    for (int c = 0; c < connections; ++c) {
        int client = accept(listener, nullptr, nullptr);
        if (client < 0)
            return;
        char request[2048];
        (void)recv(client, request, sizeof request, 0);
        size_t sent = 0;
        uint32_t state = seed | 1;
        while (sent < reply.size()) {
            state = state * 1103515245u + 12345u;
            size_t piece = std::min(reply.size() - sent, size_t(1 + (state >> 16) % 64));
            ssize_t written = send(client, reply.data() + sent, piece, MSG_NOSIGNAL);
            if (written <= 0)
                break;
            sent += size_t(written);
        }
        shutdown(client, SHUT_WR);
        close(client);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!std::freopen("/dev/null", "w", stdout) || chdir(fuzz::Folder().c_str()) != 0)
        std::abort();
    setenv("UNINSTALL_PREFIX", fuzz::Folder().c_str(), 1);
    fuzz::Start();
    SocketStartup();
    listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 4) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        std::abort();
    port = ntohs(address.sin_port);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 8192)
        return 0;
    std::vector<uint8_t> reply(data + 1, data + size);
    std::thread server(Serve, 2, std::cref(reply), uint32_t(data[0]) * 2654435761u);

    static InstallScript settings;
    static UpdateSession session;
    std::snprintf(settings.productName, sizeof settings.productName, "Widget");
    std::snprintf(settings.productVersion, sizeof settings.productVersion, "1.0");
    std::string base = "http://127.0.0.1:" + std::to_string(port) + "/";
    static std::vector<char> buffer(UPDATE_REPLY_SIZE);
    if (FetchVersionInfo(&settings, (base + "version.txt").c_str(), 0, buffer.data(),
                         int32_t(buffer.size()))) {
        if (std::memchr(buffer.data(), '\0', buffer.size()) == nullptr)
            std::abort();
        ParseVersionInfo(&settings, buffer.data(), &session);
    }
    DownloadUpdate(&settings, &session, (base + "Setup.exe").c_str(), 0, buffer.data(), int32_t(buffer.size()));
    server.join();
    return 0;
}
