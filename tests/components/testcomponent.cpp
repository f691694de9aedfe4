// A self-registering component for the tests: each entry point appends its
// name to the file named by the environment variable TESTCOMPONENT_LOG and
// reports success, or failure when TESTCOMPONENT_FAIL is set. The record is
// written in binary mode, so it reads the same on both systems.
#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#define EXPORT extern "C" __declspec(dllexport)
#else
#define EXPORT extern "C" __attribute__((visibility("default")))
#endif

static int Record(const char* entry) {
    if (const char* log = std::getenv("TESTCOMPONENT_LOG")) {
        if (FILE* file = std::fopen(log, "ab")) {
            std::fprintf(file, "%s\n", entry);
            std::fclose(file);
        }
    }
    return std::getenv("TESTCOMPONENT_FAIL") != nullptr ? static_cast<int>(0x80004005u) : 0;
}

EXPORT int DllRegisterServer() { return Record("DllRegisterServer"); }
EXPORT int DllUnregisterServer() { return Record("DllUnregisterServer"); }
