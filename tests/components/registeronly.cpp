// A component that can only register: unregistering it must fail cleanly.
#ifdef _WIN32
#define EXPORT extern "C" __declspec(dllexport)
#else
#define EXPORT extern "C" __attribute__((visibility("default")))
#endif

EXPORT int DllRegisterServer() { return 0; }
