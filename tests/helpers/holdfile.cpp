// Holds a file open the way a running program does, until it is ended:
// holdfile FILE READY. Under Windows the file is opened without any sharing,
// so nobody may delete it meanwhile; natively it is simply open. Once it
// holds the file, the helper writes READY (a host path), so a test knows
// when to go on. It ends after ten minutes at the latest.
#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include <cstdio>

static bool Hold(const char* path) {
#ifdef _WIN32
    HANDLE file = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    return file != INVALID_HANDLE_VALUE;
#else
    return open(path, O_RDONLY) >= 0;
#endif
}

static void Wait(unsigned seconds) {
#ifdef _WIN32
    Sleep(seconds * 1000);
#else
    sleep(seconds);
#endif
}

int main(int argc, char** argv) {
    if (argc != 3 || !Hold(argv[1])) {
        std::fprintf(stderr, "usage: holdfile FILE READY (FILE must exist)\n");
        return 2;
    }
    if (FILE* ready = std::fopen(argv[2], "w")) std::fclose(ready);
    for (int i = 0; i < 600; ++i) Wait(1);
    return 0;
}
