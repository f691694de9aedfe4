// The terminal of the POSIX message boxes and dialogs, played by a test:
// standard input is fed through a pipe and standard output captured, in
// this process.
#pragma once
#ifndef _WIN32

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

// Standard input reads `input`, standard output goes to a file, until
// Output() restores both and returns what was written.
class Terminal {
  public:
    explicit Terminal(const std::string& input) {
        std::fflush(stdout);
        savedInput_ = dup(STDIN_FILENO);
        savedOutput_ = dup(STDOUT_FILENO);
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0)
            return;
        if (write(pipeEnds[1], input.data(), input.size()) != static_cast<ssize_t>(input.size()))
            ADD_FAILURE() << "input did not fit the pipe";
        close(pipeEnds[1]);
        dup2(pipeEnds[0], STDIN_FILENO);
        close(pipeEnds[0]);
        output_ = std::tmpfile();
        dup2(fileno(output_), STDOUT_FILENO);
    }
    ~Terminal() { Output(); }

    // The input nobody read.
    std::string Unread() {
        std::string rest;
        char c;
        while (read(STDIN_FILENO, &c, 1) == 1)
            rest += c;
        return rest;
    }

    std::string Output() {
        if (output_ == nullptr)
            return text_;
        std::fflush(stdout);
        dup2(savedInput_, STDIN_FILENO);
        dup2(savedOutput_, STDOUT_FILENO);
        close(savedInput_);
        close(savedOutput_);
        std::rewind(output_);
        char buffer[4096];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, output_)) > 0)
            text_.append(buffer, got);
        std::fclose(output_);
        output_ = nullptr;
        return text_;
    }

  private:
    int savedInput_ = -1, savedOutput_ = -1;
    FILE* output_ = nullptr;
    std::string text_;
};

#endif
