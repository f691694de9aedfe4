// The product's policy: the machine's values win, the user's fill in what
// the machine leaves unset, and only what can be used is used.
#include "registry-fixture.h"
#include "system/policy.h"

#include <cstring>

namespace {

#define COMPANY "UninstallTests"
#define POLICY_KEY "Software\\Policies\\" COMPANY

struct Value {
    const char* name;
    uint32_t type;
    std::string data;   // the stored bytes
};

std::string Dword(uint32_t number) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(number >> (8 * i));
    return bytes;
}

class Policy : public RegistryFixture {
  protected:
    void TearDown() override {
        RemoveKeys();
        RegistryFixture::TearDown();
    }

    void RemoveKeys() {
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            PlatRegDeleteKey(root, (POLICY_KEY "\\" + product_).c_str());
            PlatRegDeleteKey(root, POLICY_KEY);
        }
    }

    void Plant(HKEY root, const std::vector<Value>& values) {
        HKEY key = nullptr;
        ASSERT_EQ(PlatRegCreateKey(root, (POLICY_KEY "\\" + product_).c_str(), &key), 0);
        for (const Value& v : values)
            PlatRegSetValue(key, v.name, v.type, v.data.data(), uint32_t(v.data.size()));
        PlatRegCloseKey(key);
    }

    std::string product_ = "Product";
};

TEST_F(Policy, TheMachineWinsAndTheUserFillsIn) {
    const std::string mirror = "http://mirror.example/versions.txt";
    const std::string tooLong = "http://" + std::string(POLICY_URL_SIZE, 'm');
    struct Case {
        const char* what;
        std::vector<Value> machine, user;
        int updateCheckOff, registrationOff;
        std::string url;
        int urlUnusable;
    } cases[] = {
        {"nothing set", {}, {}, 0, 0, "", 0},
        {"the machine turns both off",
         {{"DisableUpdateCheck", REG_DWORD, Dword(1)}, {"DisableRegistration", REG_DWORD, Dword(1)}},
         {}, 1, 1, "", 0},
        {"the user alone", {}, {{"DisableRegistration", REG_DWORD, Dword(1)}}, 0, 1, "", 0},
        {"the machine's 0 beats the user's 1", {{"DisableUpdateCheck", REG_DWORD, Dword(0)}},
         {{"DisableUpdateCheck", REG_DWORD, Dword(1)}}, 0, 0, "", 0},
        {"only 1 turns off", {{"DisableUpdateCheck", REG_DWORD, Dword(2)}}, {}, 0, 0, "", 0},
        {"a text is no switch", {{"DisableUpdateCheck", REG_SZ, "1"}},
         {{"DisableUpdateCheck", REG_DWORD, Dword(1)}}, 1, 0, "", 0},
        {"the machine's mirror", {{"UpdateURL", REG_SZ, mirror}},
         {{"UpdateURL", REG_SZ, "http://user.example/"}}, 0, 0, mirror, 0},
        {"the user's mirror, stored with its NUL", {},
         {{"UpdateURL", REG_SZ, mirror + std::string(1, '\0')}}, 0, 0, mirror, 0},
        {"an empty mirror is none", {{"UpdateURL", REG_SZ, ""}}, {}, 0, 0, "", 0},
        {"a mirror too long", {{"UpdateURL", REG_SZ, tooLong}}, {}, 0, 0, "", 1},
        {"a mirror that is no text", {{"UpdateURL", REG_DWORD, Dword(1)}}, {}, 0, 0, "", 1},
    };
    int number = 0;
    for (const Case& c : cases) {
        product_ = "Product" + std::to_string(++number);
        if (!c.machine.empty()) Plant(HKEY_LOCAL_MACHINE, c.machine);
        if (!c.user.empty()) Plant(HKEY_CURRENT_USER, c.user);
        ProductPolicy policy;
        std::memset(&policy, 0x55, sizeof policy);
        EXPECT_EQ(ReadProductPolicy(COMPANY, product_.c_str(), &policy), 1);
        EXPECT_EQ(policy.disableUpdateCheck, c.updateCheckOff) << c.what;
        EXPECT_EQ(policy.disableRegistration, c.registrationOff) << c.what;
        EXPECT_EQ(std::string(policy.updateUrl), c.url) << c.what;
        EXPECT_EQ(policy.updateUrlUnusable, c.urlUnusable) << c.what;
        RemoveKeys();
    }
}

} // namespace
