// The libraries a run may not need are opened when first used, not at
// start, and work through the program's own definitions of their functions.
// Each test case runs in a process of its own, so "not loaded yet" holds.
#ifndef _WIN32

#include "platform/platform.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool Loaded(const char* soname) {
    void* library = dlopen(soname, RTLD_NOW | RTLD_NOLOAD);
    if (library != nullptr) dlclose(library);
    return library != nullptr;
}

TEST(PosixOnDemand, NothingOfTlsSignaturesOrX11IsLoadedAtStart) {
    for (const char* soname : {"libssl.so.3", "libcrypto.so.3", "libX11.so.6"})
        EXPECT_FALSE(Loaded(soname)) << soname;
}

TEST(PosixOnDemand, TheFirstHashLoadsLibcryptoAndHashes) {
    ASSERT_FALSE(Loaded("libcrypto.so.3"));
    PlatHash hash = PlatSha256Begin();
    ASSERT_NE(hash, nullptr);
    EXPECT_TRUE(Loaded("libcrypto.so.3"));
    EXPECT_FALSE(Loaded("libssl.so.3"));
    uint8_t digest[PLAT_SHA256_SIZE];
    ASSERT_TRUE(PlatHashAdd(hash, "abc", 3));
    ASSERT_TRUE(PlatHashFinish(hash, digest));
    // FIPS 180-2, the "abc" example.
    const uint8_t expected[4] = {0xba, 0x78, 0x16, 0xbf};
    EXPECT_EQ(0, memcmp(digest, expected, sizeof expected));
}

TEST(PosixOnDemand, KeysMadeAndCheckedThroughTheLoadedLibrary) {
    uint8_t secret[PLAT_P256_SECRET_SIZE], key[PLAT_P256_PUBLIC_SIZE];
    uint8_t digest[PLAT_SHA256_SIZE] = {1, 2, 3}, signature[PLAT_P256_SIGNATURE_SIZE];
    ASSERT_TRUE(PlatP256Generate(secret, key));
    ASSERT_TRUE(PlatP256Sign(secret, key, digest, signature));
    EXPECT_TRUE(PlatP256Verify(key, digest, signature));
    digest[0] ^= 1;
    EXPECT_FALSE(PlatP256Verify(key, digest, signature));
}

TEST(PosixOnDemand, WindowsWithoutADisplayLoadNoX11) {
    const char* display = getenv("DISPLAY");
    std::string saved = display != nullptr ? display : "";
    unsetenv("DISPLAY");
    EXPECT_TRUE(PlatEnumTopWindows([](HWND, void*) { return 1; }, nullptr));
    EXPECT_FALSE(Loaded("libX11.so.6"));
    if (display != nullptr) setenv("DISPLAY", saved.c_str(), 1);
}

}  // namespace

#endif
