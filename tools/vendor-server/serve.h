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
    // Complete requests are worked by these; a registration holds its
    // thread while it waits for its batch's commit, so as many as arrive at
    // once land in one batch.
    int threads = 128;
    int requestSeconds = 30; // a whole request must arrive within this, else 408
};

// Runs until SIGINT or SIGTERM. The exit status.
int Serve(const ServeOptions& options);
