// The Internet settings of the registry for the proxy tests. Natively each
// test has a registry of its own; under Wine the prefix's registry is
// shared, so every setting is switched off again afterwards.
#pragma once

#include "net/http-exchange.h"
#include "net/proxy-settings.h"
#include "net/socket.h"
#include "system/registry.h"

#include <gtest/gtest.h>

#include <string>

#ifndef _WIN32
#include "test_posix_prefix.h"
#endif

namespace net_test {

#ifdef _WIN32
using RegistryTest = testing::Test;
#else
using RegistryTest = PosixPrefixTest;
#endif

class ProxySettingsTest : public RegistryTest {
  protected:
    void SetUp() override {
        RegistryTest::SetUp();
        ASSERT_EQ(SocketStartup(), 1);
    }
    void TearDown() override {
        Configure(0, "");
        SetText(REGISTRY_CURRENT_USER, "ProxyOverride", "");
        SetText(REGISTRY_CURRENT_USER, "AutoConfigURL", "");
        if (RegistryKeyExists(REGISTRY_LOCAL_MACHINE, INTERNET_SETTINGS_POLICY_KEY))
            RegistryDeleteKey(REGISTRY_LOCAL_MACHINE, INTERNET_SETTINGS_POLICY_KEY);
        SocketCleanup();
        RegistryTest::TearDown();
    }

    static void Configure(int32_t enable, const std::string& server,
                          RegistryRoot root = REGISTRY_CURRENT_USER) {
        HKEY key = nullptr;
        ASSERT_EQ(RegistryCreateKey(&key, root, INTERNET_SETTINGS_KEY), 1);
        RegistrySetInt32(key, "ProxyEnable", enable);
        RegistrySetString(key, "ProxyServer", server.c_str());
        RegistryCloseKey(&key);
    }

    static void SetText(RegistryRoot root, const char* name, const std::string& text) {
        HKEY key = nullptr;
        ASSERT_EQ(RegistryCreateKey(&key, root, INTERNET_SETTINGS_KEY), 1);
        RegistrySetString(key, name, text.c_str());
        RegistryCloseKey(&key);
    }

    static std::string Local(int port) { return "127.0.0.1:" + std::to_string(port); }
};

// A whole exchange as the program's callers make it: open (answering the
// proxy), read the rest, close.
struct WholeExchange {
    int opened = 0;
    std::string reply;    // all bytes read, header included

    WholeExchange(const std::string& url, int judge, const char* method = "GET",
                  const std::string& body = "", int useProxy = 1) {
        static char buffer[20480];
        HttpRequest request = {url.c_str(), "Tolvane Update Check Uninstall (www.tolvane.example)",
                               method, body.empty() ? nullptr : body.data(),
                               (int32_t)body.size(), useProxy, judge, nullptr};
        HttpReply exchange;
        opened = HttpExchangeOpen(&request, buffer, sizeof buffer, &exchange);
        if (!opened) return;
        reply.assign(buffer, exchange.filled);
        int32_t received = 0;
        while (HttpExchangeRead(&exchange, buffer, sizeof buffer, &received)) reply.append(buffer, received);
        HttpExchangeClose(&exchange);
    }
};

}    // namespace net_test
