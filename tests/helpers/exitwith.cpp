// Ends with the exit status given as its first argument: the program the
// tests start and wait for. Started without a number (as a downloaded
// release is, with "-Quiet"), it ends with $EXITWITH_CODE, or 0. When
// $EXITWITH_RECORD names a file, one line with its arguments, separated by
// blanks, is added to that file first, so a test can tell how it was started.
#include <cstdio>
#include <cstdlib>

static bool IsNumber(const char* text) {
    char* end = nullptr;
    std::strtol(text, &end, 10);
    return end != text && *end == '\0';
}

static void Record(const char* path, int argc, char** argv) {
    FILE* file = std::fopen(path, "ab");
    if (file == nullptr)
        return;
    for (int i = 1; i < argc; ++i)
        std::fprintf(file, "%s%s", i > 1 ? " " : "", argv[i]);
    std::fputc('\n', file);
    std::fclose(file);
}

int main(int argc, char** argv) {
    if (const char* record = std::getenv("EXITWITH_RECORD"))
        Record(record, argc, argv);
    if (argc > 1 && IsNumber(argv[1]))
        return std::atoi(argv[1]);
    const char* code = std::getenv("EXITWITH_CODE");
    return code != nullptr ? std::atoi(code) : 0;
}
