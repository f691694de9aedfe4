// The registry layer against the real registry of the system: the file in
// a fresh prefix natively, the Windows registry under Wine.
#include "registry-fixture.h"

#include <cstring>

using RegistryLayer = RegistryFixture;

TEST_F(RegistryLayer, SelectorsNameTheRootsAndUnknownOnesTheCurrentUser) {
    EXPECT_EQ(RegistryRootKey(REGISTRY_CURRENT_USER), HKEY_CURRENT_USER);
    EXPECT_EQ(RegistryRootKey(REGISTRY_DYN_DATA), HKEY_DYN_DATA);
    EXPECT_EQ(RegistryRootKey(REGISTRY_PERFORMANCE_DATA), HKEY_PERFORMANCE_DATA);
    EXPECT_EQ(RegistryRootKey(REGISTRY_LOCAL_MACHINE), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(RegistryRootKey(REGISTRY_CLASSES_ROOT), HKEY_CLASSES_ROOT);
    EXPECT_EQ(RegistryRootKey(REGISTRY_CURRENT_CONFIG), HKEY_CURRENT_CONFIG);
    for (int selector : {0, 7, -1})
        EXPECT_EQ(RegistryRootKey(static_cast<RegistryRoot>(selector)), HKEY_CURRENT_USER);

    // A key made through selector 0 is the current user's.
    HKEY key = nullptr;
    ASSERT_EQ(RegistryCreateKey(&key, static_cast<RegistryRoot>(0), Key("Zero").c_str()), 1);
    RegistryCloseKey(&key);
    EXPECT_EQ(RegistryKeyExists(REGISTRY_CURRENT_USER, Key("Zero").c_str()), 1);
    EXPECT_EQ(RegistryKeyExists(static_cast<RegistryRoot>(7), Key("Zero").c_str()), 1);
    EXPECT_EQ(RegistryKeyExists(static_cast<RegistryRoot>(-1), Key("Zero").c_str()), 1);
}

TEST_F(RegistryLayer, KeysAreMadeWithTheirParentsOpenedAndClosedSilently) {
    MarkLog();
    EXPECT_EQ(RegistryKeyExists(REGISTRY_CURRENT_USER, Key("Deep\\Er\\Est").c_str()), 0);
    HKEY key = reinterpret_cast<HKEY>(&key);
    EXPECT_EQ(RegistryOpenKey(&key, REGISTRY_CURRENT_USER, Key("Deep\\Er\\Est").c_str()), 0);
    EXPECT_EQ(key, nullptr);
    EXPECT_TRUE(LogUnchanged());

    ASSERT_EQ(RegistryCreateKey(&key, REGISTRY_CURRENT_USER, Key("Deep\\Er\\Est").c_str()), 1);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(RegistryCloseKey(&key), 1);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(RegistryCloseKey(&key), 1); // nothing held, nothing to close

    EXPECT_EQ(RegistryKeyExists(REGISTRY_CURRENT_USER, Key("Deep").c_str()), 1);
    EXPECT_EQ(RegistryKeyExists(REGISTRY_CURRENT_USER, Key("Deep\\Er\\Est").c_str()), 1);
    // Creating an existing key opens it.
    ASSERT_EQ(RegistryCreateKey(&key, REGISTRY_CURRENT_USER, Key("Deep\\Er").c_str()), 1);
    RegistryCloseKey(&key);
    EXPECT_TRUE(LogUnchanged());
}

TEST_F(RegistryLayer, TextsAreStoredWithoutTheirNulAndReadBackTerminated) {
    HKEY key = MakeKey("Texts");
    ASSERT_EQ(RegistrySetString(key, "First Name", "Ann"), 1);

    uint32_t type = 0, size = 64;
    char raw[64];
    ASSERT_EQ(PlatRegQueryValue(key, "First Name", &type, raw, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, (uint32_t)REG_SZ);
#ifdef _WIN32
    // The layer hands over the text's length, but Windows counts the NUL
    // that follows a text given without it (Wine does the same).
    EXPECT_EQ(size, 4u);
#else
    EXPECT_EQ(size, 3u);
#endif

    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(RegistryGetString(key, "First Name", buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "Ann");

    // Written again, a value is replaced whatever the letter case of its name.
    ASSERT_EQ(RegistrySetString(key, "FIRST NAME", "Bo"), 1);
    EXPECT_EQ(RegistryGetString(key, "first name", buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "Bo");

    ASSERT_EQ(RegistrySetString(key, "Empty", ""), 1);
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(RegistryGetString(key, "Empty", buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "");
    RegistryCloseKey(&key);
}

TEST_F(RegistryLayer, ATextNeverRunsPastTheBufferItIsReadInto) {
    HKEY key = MakeKey("Bounds");
    ASSERT_EQ(RegistrySetString(key, "Four", "abcd"), 1);
    ASSERT_EQ(RegistrySetString(key, "Eight", "abcdefgh"), 1);

    // Exactly the buffer's size without a NUL: natively the text is cut by
    // one to make room; Windows stored the NUL too, so the text does not fit.
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
#ifdef _WIN32
    EXPECT_EQ(RegistryGetString(key, "Four", buffer, 4), 0);
    EXPECT_EQ(LastLog(), "Unable to get registry 'Four' String\n");
    EXPECT_NE(std::memchr(buffer, '\0', 4), nullptr);
#else
    EXPECT_EQ(RegistryGetString(key, "Four", buffer, 4), 1);
    EXPECT_STREQ(buffer, "abc");
#endif
    EXPECT_EQ(buffer[4], 'x');

    // Larger than the buffer: the read fails, and what the buffer holds
    // still ends inside it.
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(RegistryGetString(key, "Eight", buffer, 4), 0);
    EXPECT_EQ(LastLog(), "Unable to get registry 'Eight' String\n");
    EXPECT_NE(std::memchr(buffer, '\0', 4), nullptr);
    EXPECT_EQ(buffer[4], 'x');
    RegistryCloseKey(&key);
}

TEST_F(RegistryLayer, AMissingValueIsLoggedAndTheKeyStaysUsable) {
    HKEY key = MakeKey("Missing");
    ASSERT_EQ(RegistrySetString(key, "City", "Oslo"), 1);
    char buffer[32] = "kept";
    EXPECT_EQ(RegistryGetString(key, "Street", buffer, sizeof buffer), 0);
    EXPECT_EQ(LastLog(), "Unable to get registry 'Street' String\n");
    EXPECT_STREQ(buffer, "kept");

    int32_t number = 7;
    EXPECT_EQ(RegistryGetInt32(key, "ListServer", &number), 0);
    EXPECT_EQ(LastLog(), "Unable to get registry 'ListServer' Int32\n");
    EXPECT_EQ(number, 7);

    MarkLog();
    EXPECT_EQ(RegistryGetString(key, "City", buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "Oslo");
    EXPECT_TRUE(LogUnchanged());
    RegistryCloseKey(&key);
}

TEST_F(RegistryLayer, NumbersRoundTripAsLittleEndianDwords) {
    HKEY key = MakeKey("Numbers");
    for (int32_t value : {0, 10, -1, INT32_MIN, INT32_MAX, 0x12345678}) {
        ASSERT_EQ(RegistrySetInt32(key, "ListServer", value), 1);
        int32_t read = ~value;
        EXPECT_EQ(RegistryGetInt32(key, "ListServer", &read), 1);
        EXPECT_EQ(read, value);
    }
    uint32_t type = 0, size = 8;
    unsigned char raw[8] = {};
    ASSERT_EQ(PlatRegQueryValue(key, "ListServer", &type, raw, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, (uint32_t)REG_DWORD);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(raw[0], 0x78);
    EXPECT_EQ(raw[3], 0x12);
    RegistryCloseKey(&key);
}

TEST_F(RegistryLayer, AValueOfTheOtherKindIsABadTypeButFillsTheBuffer) {
    HKEY key = MakeKey("Kinds");
    ASSERT_EQ(RegistrySetString(key, "Answer", "AB"), 1);
    ASSERT_EQ(RegistrySetInt32(key, "Count", 0x00434241), 1);

    int32_t number = 0;
    EXPECT_EQ(RegistryGetInt32(key, "Answer", &number), 0);
    EXPECT_EQ(LastLog(), "Bad type for 'Answer' [0x00000001 != 0x00000004]\n");
    EXPECT_EQ(number, 0x4241); // "AB" and the NUL the read adds

    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(RegistryGetString(key, "Count", buffer, sizeof buffer), 0);
    EXPECT_EQ(LastLog(), "Bad type for 'Count' [0x00000004 != 0x00000001]\n");
    EXPECT_STREQ(buffer, "ABC");
    RegistryCloseKey(&key);
}

TEST_F(RegistryLayer, DeletingKeysOneAtATime) {
    HKEY key = MakeKey("Tree\\Leaf");
    RegistryCloseKey(&key);

    EXPECT_EQ(RegistryDeleteKey(REGISTRY_CURRENT_USER, Key("Tree").c_str()), 0);
    EXPECT_EQ(LastLog(), "Unable to delete key '" + Key("Tree") + "'(0x00000005)\n");
    EXPECT_EQ(RegistryKeyExists(REGISTRY_CURRENT_USER, Key("Tree\\Leaf").c_str()), 1);

    MarkLog();
    EXPECT_EQ(RegistryDeleteKey(REGISTRY_CURRENT_USER, Key("Tree\\Leaf").c_str()), 1);
    EXPECT_TRUE(LogUnchanged());
    EXPECT_EQ(RegistryKeyExists(REGISTRY_CURRENT_USER, Key("Tree\\Leaf").c_str()), 0);
    EXPECT_EQ(RegistryDeleteKey(REGISTRY_CURRENT_USER, Key("Tree").c_str()), 1);

    EXPECT_EQ(RegistryDeleteKey(REGISTRY_CURRENT_USER, Key("Tree").c_str()), 0);
    EXPECT_EQ(LastLog(), "Unable to delete key '" + Key("Tree") + "'(0x00000002)\n");
}

TEST_F(RegistryLayer, AKeyDeletedUnderAnOpenHandleTakesNoValues) {
    HKEY key = MakeKey("Gone");
    ASSERT_EQ(RegistryDeleteKey(REGISTRY_CURRENT_USER, Key("Gone").c_str()), 1);

    EXPECT_EQ(RegistrySetString(key, "First Name", "Ann"), 0);
    EXPECT_EQ(LastLog(), "Unable to set registry 'First Name' String\n");
    EXPECT_EQ(RegistrySetInt32(key, "ListServer", 1), 0);
    EXPECT_EQ(LastLog(), "Unable to set registry 'ListServer' Int32\n");
    char buffer[8] = "";
    EXPECT_EQ(RegistryGetString(key, "First Name", buffer, sizeof buffer), 0);
    EXPECT_EQ(LastLog(), "Unable to get registry 'First Name' String\n");
    EXPECT_EQ(RegistryCloseKey(&key), 1);
}

TEST_F(RegistryLayer, TheMachineKeysThisProgramReadsAreThere) {
    // Opened with full access, so only where the user may write (as this
    // test's machine allows).
    EXPECT_EQ(
        RegistryKeyExists(REGISTRY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings"), 1);
    HKEY key = nullptr;
    if (RegistryOpenKey(&key, REGISTRY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion")) {
        char folder[320];
        EXPECT_EQ(RegistryGetString(key, "ProgramFilesDir", folder, sizeof folder), 1);
        EXPECT_EQ(std::string(folder).substr(1), ":\\Program Files");
        RegistryCloseKey(&key);
    }
}
