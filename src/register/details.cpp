// The registration details and their storage under the vendor's key.
#include "register/details.h"

#include "base/core.h"
#include "base/identity.h"
#include "base/strings.h"
#include "system/registry.h"
#include "ui/dialog-ids.h"

#include <cstddef>
#include <cstring>

// The texts of a record, as offsets into it, so that one table serves every
// record.
struct DetailsField {
    const char* valueName;
    int controlId;
    size_t offset;
    int capacity;
};

#define FIELD_OF(field)                                                                            \
    offsetof(RegistrationRecord, field), static_cast<int>(sizeof(RegistrationRecord::field))

static const DetailsField Fields[DETAILS_TEXT_COUNT] = {
    {"First Name", IDC_REG_FIRST_NAME, FIELD_OF(firstName)},
    {"Last Name", IDC_REG_LAST_NAME, FIELD_OF(lastName)},
    {"Age", 0, FIELD_OF(ageBand)},
    {"Address", IDC_REG_ADDRESS, FIELD_OF(address)},
    {"City", IDC_REG_CITY, FIELD_OF(city)},
    {"State", IDC_REG_STATE, FIELD_OF(state)},
    {"Country", IDC_REG_COUNTRY, FIELD_OF(country)},
    {"Zip", IDC_REG_ZIP, FIELD_OF(zip)},
    {"Email", IDC_REG_EMAIL, FIELD_OF(email)},
    {"Phone", IDC_REG_PHONE, FIELD_OF(phone)},
    {nullptr, IDC_REG_HOW_FOUND, FIELD_OF(howFound)},
};

static const char* TextOf(const RegistrationRecord* record, const DetailsField& field) {
    return reinterpret_cast<const char*>(record) + field.offset;
}

int DetailsTexts(RegistrationRecord* record, DetailsText* texts) {
    CHECK_POINTER(record);
    CHECK_POINTER(texts);
    for (int i = 0; i < DETAILS_TEXT_COUNT; i++) {
        const DetailsField& field = Fields[i];
        texts[i] = {field.valueName, field.controlId,
                    reinterpret_cast<char*>(record) + field.offset, field.capacity};
    }
    return DETAILS_TEXT_COUNT;
}

int DetailsClear(RegistrationRecord* record) {
    CHECK_POINTER(record);
    std::memset(record, 0, sizeof *record);
    record->updatesAnswer = ANSWER_NONE;
    return 1;
}

int DetailsSave(const RegistrationRecord* record) {
    CHECK_POINTER(record);
    HKEY key = nullptr;
    if (RegistryKeyExists(REGISTRY_CURRENT_USER, VENDOR_KEY)) {
        if (!RegistryOpenKey(&key, REGISTRY_CURRENT_USER, VENDOR_KEY))
            RAISE_ERROR("Unable to open key\n");
    } else if (!RegistryCreateKey(&key, REGISTRY_CURRENT_USER, VENDOR_KEY)) {
        RAISE_ERROR("Unable to create key\n");
    }
    for (const DetailsField& field : Fields) {
        if (field.valueName != nullptr)
            RegistrySetString(key, field.valueName, TextOf(record, field));
    }
    RegistrySetInt32(key, LIST_SERVER_VALUE, record->updatesAnswer);
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

int DetailsLoad(RegistrationRecord* record) {
    CHECK_POINTER(record);
    DetailsClear(record);
    if (!RegistryKeyExists(REGISTRY_CURRENT_USER, VENDOR_KEY))
        DetailsSave(record);
    HKEY key = nullptr;
    if (!RegistryOpenKey(&key, REGISTRY_CURRENT_USER, VENDOR_KEY))
        RAISE_ERROR("Unable to open key\n");
    DetailsText texts[DETAILS_TEXT_COUNT];
    DetailsTexts(record, texts);
    for (const DetailsText& field : texts) {
        if (field.valueName != nullptr)
            LoadText(key, field);
    }
    // A value of another kind is no answer, whatever its bytes say.
    int32_t answer = ANSWER_NONE;
    if (!RegistryGetInt32(key, LIST_SERVER_VALUE, &answer))
        answer = ANSWER_NONE;
    record->updatesAnswer = answer;
    RegistryCloseKey(&key);
    return 1;
}
