// The stored registration details: first use, the round trip through the
// registry, values that do not fit their fields, and a registry that cannot
// take the vendor key. Natively each test has a registry file of its own;
// on Windows the vendor key is removed before and after each test.
#include "log-capture.h"
#include "register/details.h"

#include "base/identity.h"
#include "registry-fixture.h"
#include "system/registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fstream>
#endif

class DetailsTest : public RegistryFixture {
  protected:
    void SetUp() override {
        RegistryFixture::SetUp();
        PlatRegDeleteKey(HKEY_CURRENT_USER, VENDOR_KEY);
        DetailsClear(&details_);
    }
    void TearDown() override {
        PlatRegDeleteKey(HKEY_CURRENT_USER, VENDOR_KEY);
        RegistryFixture::TearDown();
    }

    static HKEY VendorKey() {
        HKEY key = nullptr;
        EXPECT_EQ(RegistryCreateKey(&key, REGISTRY_CURRENT_USER, VENDOR_KEY), 1);
        return key;
    }
    static void Store(const char* name, const std::string& text) {
        HKEY key = VendorKey();
        RegistrySetString(key, name, text.c_str());
        RegistryCloseKey(&key);
    }
    static std::string Stored(const char* name) {
        HKEY key = nullptr;
        char text[400] = "(none)";
        if (RegistryOpenKey(&key, REGISTRY_CURRENT_USER, VENDOR_KEY)) {
            if (!RegistryGetString(key, name, text, sizeof text))
                std::strcpy(text, "(none)");
            RegistryCloseKey(&key);
        }
        return text;
    }

    RegistrationRecord details_;
};

TEST_F(DetailsTest, FirstUseWritesTheClearedRecord) {
    std::strcpy(details_.city, "left over");
    details_.updatesAnswer = ANSWER_NO;
    EXPECT_EQ(DetailsLoad(&details_), 1);
    EXPECT_STREQ(details_.city, "");
    EXPECT_EQ(details_.updatesAnswer, ANSWER_NONE);

    for (const char* name : {"First Name", "Last Name", "Age", "Address", "City", "State",
                             "Country", "Zip", "Email", "Phone"}) {
        EXPECT_EQ(Stored(name), "") << name;
    }
    HKEY key = VendorKey();
    int32_t answer = -1;
    EXPECT_EQ(RegistryGetInt32(key, "ListServer", &answer), 1);
    EXPECT_EQ(answer, 0);
    RegistryCloseKey(&key);
}

TEST_F(DetailsTest, SavedDetailsComeBackButNotHowTheProgramWasFound) {
    std::strcpy(details_.firstName, "Ann");
    std::strcpy(details_.lastName, "Smith");
    std::strcpy(details_.ageBand, "30 to 34");
    std::strcpy(details_.address, "1 Main Street");
    std::strcpy(details_.city, "Springfield");
    std::strcpy(details_.state, "IL");
    std::strcpy(details_.country, "USA");
    std::strcpy(details_.zip, "62701");
    std::strcpy(details_.email, "ann@example.com");
    std::strcpy(details_.phone, "555-123-4567");
    std::strcpy(details_.howFound, "A friend told me");
    details_.updatesAnswer = ANSWER_ALREADY;
    std::vector<std::string> saved;
    DetailsText texts[DETAILS_TEXT_COUNT];
    int count = DetailsTexts(&details_, texts);
    for (int i = 0; i < count; i++)
        saved.push_back(texts[i].valueName ? texts[i].text : "");
    EXPECT_EQ(DetailsSave(&details_), 1);
    EXPECT_EQ(Stored("Address"), "1 Main Street");

    DetailsClear(&details_);
    EXPECT_EQ(DetailsLoad(&details_), 1);
    for (int i = 0; i < count; i++)
        EXPECT_EQ(texts[i].text, saved[i]) << i;
    EXPECT_EQ(details_.updatesAnswer, ANSWER_ALREADY);

    // Saving over an existing key replaces every value.
    std::strcpy(details_.city, "Shelbyville");
    details_.updatesAnswer = ANSWER_YES;
    DetailsSave(&details_);
    DetailsLoad(&details_);
    EXPECT_STREQ(details_.city, "Shelbyville");
    EXPECT_EQ(details_.updatesAnswer, ANSWER_YES);
}

TEST_F(DetailsTest, StoredTextsLongerThanTheirFieldsLeaveThemEmpty) {
    // A key written by someone else: some values too long, "Zip" absent.
    Store("First Name", std::string(79, 'f'));
    Store("Last Name", std::string(80, 'l'));
    Store("Age", std::string(20, 'a'));
    Store("Address", std::string(159, 'a'));
    Store("City", std::string(300, 'c'));
    Store("Phone", std::string(161, 'p'));
    std::strcpy(details_.zip, "left over");

    EXPECT_EQ(DetailsLoad(&details_), 1);
    EXPECT_EQ(std::string(details_.firstName), std::string(79, 'f'));
    EXPECT_STREQ(details_.lastName, "");
    EXPECT_STREQ(details_.ageBand, "");
    EXPECT_EQ(std::string(details_.address), std::string(159, 'a'));
    EXPECT_STREQ(details_.city, "");
    EXPECT_STREQ(details_.phone, "");
    EXPECT_STREQ(details_.zip, "");
    EXPECT_EQ(LastLog(), "Unable to get registry 'ListServer' Int32\n");
}

// Around the capacity of an 80-character field: every text that does not
// fit is a failed read, logged as such.
TEST_F(DetailsTest, TextsThatDoNotFitAreLoggedAsFailedReads) {
    const struct {
        size_t length;
        bool kept;
    } cases[] = {{79, true}, {80, false}, {81, false}, {82, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        Store("Last Name", std::string(c.length, 'l'));
        LogCapture log;
        EXPECT_EQ(DetailsLoad(&details_), 1);
        EXPECT_EQ(std::string(details_.lastName), c.kept ? std::string(c.length, 'l') : "");
        EXPECT_EQ(log.Has("Unable to get registry 'Last Name' String\n"), !c.kept);
    }
}

TEST_F(DetailsTest, AnAnswerStoredAsAnotherKindIsNoAnswer) {
    DetailsLoad(&details_);
    HKEY key = VendorKey();
    // A text whose bytes would read as a number.
    ASSERT_EQ(PlatRegSetValue(key, "ListServer", REG_SZ, "2\0\0", 4), ERROR_SUCCESS);
    RegistryCloseKey(&key);
    DetailsLoad(&details_);
    EXPECT_EQ(details_.updatesAnswer, ANSWER_NONE);

    key = VendorKey();
    RegistrySetInt32(key, "ListServer", 7);
    RegistryCloseKey(&key);
    DetailsLoad(&details_);
    EXPECT_EQ(details_.updatesAnswer, 7) << "a number out of range is kept as stored";
}

#ifndef _WIN32
TEST_F(DetailsTest, AVendorKeyThatCannotBeMadeIsFatal) {
    // A registry file that cannot be parsed is never written: every key is
    // missing and none can be created.
    std::ofstream(prefix_ + "/registry.reg") << "REGEDIT4\n\n[HKEY_CURRENT_USER\\Broken\n";
    EXPECT_EXIT(DetailsLoad(&details_), testing::ExitedWithCode(1),
                "ABORT: Unable to create key\n");
}
#endif
