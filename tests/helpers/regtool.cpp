// Reads and writes the registry through the program's own registry layer,
// so that tests and the demo can set up and inspect a machine the way the
// program sees it (the real registry on Windows, the prefix's file natively).
//
//   regtool set-string SELECTOR KEY NAME TEXT
//   regtool set-dword  SELECTOR KEY NAME NUMBER
//   regtool get-string SELECTOR KEY NAME      (prints the text)
//   regtool get-dword  SELECTOR KEY NAME      (prints the number)
//   regtool exists     SELECTOR KEY           (status 0 when the key opens)
//   regtool delete-key SELECTOR KEY
//
// SELECTOR is the program's root number: 1 HKEY_CURRENT_USER, 4
// HKEY_LOCAL_MACHINE. Status 0 on success, 1 on failure, 2 on bad usage.
#include "base/core.h"
#include "system/registry.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

// The arguments in UTF-8, the registry layer's text: main's own are in the
// ANSI code page.
static std::vector<std::string> Arguments(int, char**) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) {
        int size = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string text(size > 0 ? size_t(size) : 1, '\0');
        WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, text.data(), size, nullptr, nullptr);
        arguments.push_back(text.c_str());
    }
    LocalFree(wide);
    return arguments;
}
#else
static std::vector<std::string> Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}
#endif

static int Usage() {
    std::fprintf(stderr, "usage: regtool set-string|set-dword|get-string|get-dword SELECTOR KEY "
                         "NAME [VALUE]\n       regtool exists|delete-key SELECTOR KEY\n");
    return 2;
}

static int WithKey(RegistryRoot root, const char* key, bool create, int (*work)(HKEY, char**),
                   char** rest) {
    HKEY handle = nullptr;
    int opened = create ? RegistryCreateKey(&handle, root, key)
                        : RegistryOpenKey(&handle, root, key);
    if (!opened) {
        std::fprintf(stderr, "regtool: cannot open key '%s'\n", key);
        return 1;
    }
    int ok = work(handle, rest);
    RegistryCloseKey(&handle);
    return ok ? 0 : 1;
}

static int SetString(HKEY key, char** rest) { return RegistrySetString(key, rest[0], rest[1]); }
static int SetDword(HKEY key, char** rest) {
    return RegistrySetInt32(key, rest[0], static_cast<int32_t>(std::strtol(rest[1], nullptr, 0)));
}
static int GetString(HKEY key, char** rest) {
    char text[1024] = "";
    if (!RegistryGetString(key, rest[0], text, sizeof text - 1)) return 0;
    std::printf("%s\n", text);
    return 1;
}
static int GetDword(HKEY key, char** rest) {
    int32_t value = 0;
    if (!RegistryGetInt32(key, rest[0], &value)) return 0;
    std::printf("%d\n", value);
    return 1;
}

int main(int count, char** given) {
    std::vector<std::string> arguments = Arguments(count, given);
    std::vector<char*> pointers;
    for (std::string& argument : arguments) pointers.push_back(argument.data());
    const int argc = int(pointers.size());
    char** argv = pointers.data();
    MemInit(MEM_LIMIT_MAXIMUM, 0);
    if (argc < 4) return Usage();
    const char* command = argv[1];
    RegistryRoot root = static_cast<RegistryRoot>(std::atoi(argv[2]));
    const char* key = argv[3];
    if (std::strcmp(command, "exists") == 0) return RegistryKeyExists(root, key) ? 0 : 1;
    if (std::strcmp(command, "delete-key") == 0) return RegistryDeleteKey(root, key) ? 0 : 1;
    if (argc == 5 && std::strcmp(command, "get-string") == 0)
        return WithKey(root, key, false, GetString, argv + 4);
    if (argc == 5 && std::strcmp(command, "get-dword") == 0)
        return WithKey(root, key, false, GetDword, argv + 4);
    if (argc == 6 && std::strcmp(command, "set-string") == 0)
        return WithKey(root, key, true, SetString, argv + 4);
    if (argc == 6 && std::strcmp(command, "set-dword") == 0)
        return WithKey(root, key, true, SetDword, argv + 4);
    return Usage();
}
