// The registration details and their storage under the vendor's key.
#include "register/details.h"

#include "base/identity.h"
#include "ui/dialog-ids.h"
#include "system/registry.h"
#include "base/core.h"
#include "base/strings.h"

#include <cstring>

#define COUNT_OF(array) static_cast<int>(sizeof(array) / sizeof((array)[0]))

RegistrationRecord RegistrationDetails;
char RegistrationTitle[REGISTRATION_TITLE_SIZE];

#define TEXT_OF(field) RegistrationDetails.field, static_cast<int>(sizeof RegistrationDetails.field)

static const DetailsText Texts[] = {
    {"First Name", IDC_REG_FIRST_NAME, TEXT_OF(firstName)},
    {"Last Name", IDC_REG_LAST_NAME, TEXT_OF(lastName)},
    {"Age", 0, TEXT_OF(ageBand)},
    {"Address", IDC_REG_ADDRESS, TEXT_OF(address)},
    {"City", IDC_REG_CITY, TEXT_OF(city)},
    {"State", IDC_REG_STATE, TEXT_OF(state)},
    {"Country", IDC_REG_COUNTRY, TEXT_OF(country)},
    {"Zip", IDC_REG_ZIP, TEXT_OF(zip)},
    {"Email", IDC_REG_EMAIL, TEXT_OF(email)},
    {"Phone", IDC_REG_PHONE, TEXT_OF(phone)},
    {nullptr, IDC_REG_HOW_FOUND, TEXT_OF(howFound)},
};

const DetailsText* DetailsTexts(int* count) {
    if (count != nullptr)
        *count = COUNT_OF(Texts);
    return Texts;
}

int DetailsClear() {
    std::memset(&RegistrationDetails, 0, sizeof RegistrationDetails);
    RegistrationDetails.updatesAnswer = ANSWER_NONE;
    return 1;
}

int DetailsSave() {
    HKEY key = nullptr;
    if (RegistryKeyExists(REGISTRY_CURRENT_USER, VENDOR_KEY)) {
        if (!RegistryOpenKey(&key, REGISTRY_CURRENT_USER, VENDOR_KEY))
            RAISE_ERROR("Unable to open key\n");
    } else if (!RegistryCreateKey(&key, REGISTRY_CURRENT_USER, VENDOR_KEY)) {
        RAISE_ERROR("Unable to create key\n");
    }
    for (const DetailsText& field : Texts) {
        if (field.valueName != nullptr)
            RegistrySetString(key, field.valueName, field.text);
    }
    RegistrySetInt32(key, LIST_SERVER_VALUE, RegistrationDetails.updatesAnswer);
    RegistryCloseKey(&key);
    return 1;
}

// Reads one stored text into its field. The read has one byte more than the
// field, so that a stored text of exactly the field's capacity is seen as
// too long instead of being cut; such a text is a failed read like any
// longer one, which the registry layer logs, and is logged the same way.
static void LoadText(HKEY key, const DetailsText& field) {
    char stored[DETAILS_HOW_FOUND_SIZE + 1];
    field.text[0] = '\0';
    if (!RegistryGetString(key, field.valueName, stored, static_cast<uint32_t>(field.capacity) + 1))
        return;
    if (StrLength(stored) < field.capacity)
        StrCopy(field.text, stored);
    else
        LogPrint("Unable to get registry '%s' String\n", field.valueName);
}

int DetailsLoad() {
    DetailsClear();
    if (!RegistryKeyExists(REGISTRY_CURRENT_USER, VENDOR_KEY))
        DetailsSave();
    HKEY key = nullptr;
    if (!RegistryOpenKey(&key, REGISTRY_CURRENT_USER, VENDOR_KEY))
        RAISE_ERROR("Unable to open key\n");
    for (const DetailsText& field : Texts) {
        if (field.valueName != nullptr)
            LoadText(key, field);
    }
    // A value of another kind is no answer, whatever its bytes say.
    int32_t answer = ANSWER_NONE;
    if (!RegistryGetInt32(key, LIST_SERVER_VALUE, &answer))
        answer = ANSWER_NONE;
    RegistrationDetails.updatesAnswer = answer;
    RegistryCloseKey(&key);
    return 1;
}
