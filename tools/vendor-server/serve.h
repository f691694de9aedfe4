// vendor-server serve: registrations at one path, and optionally the folder
// "ffspack publish" writes.
#pragma once

#include <string>

struct ServeOptions {
    std::string host;
    int port = 0;           // 0: any free port (printed when listening)
    std::string database;
    std::string publish;    // empty: registrations only
    std::string path = "/cgi-bin/register";
    // A registration holds its thread while it waits for its batch's
    // commit: as many threads as clients arrive at once land in one batch.
    int threads = 128;
};

// Runs until SIGINT or SIGTERM. The exit status.
int Serve(const ServeOptions& options);
