// The user's registration details, kept per user under the vendor's key so
// that every registration of any of the vendor's products starts with the
// form filled in, and the registration session that carries them.
#pragma once

#include <cstdint>

// How the user answered "Do you wish to be informed of future updates ...".
#define ANSWER_NONE 0
#define ANSWER_YES 1
#define ANSWER_ALREADY 2
#define ANSWER_NO 3

// Capacities, the terminating NUL included.
#define DETAILS_TEXT_SIZE 80
#define DETAILS_AGE_SIZE 20
#define DETAILS_ADDRESS_SIZE 160
#define DETAILS_HOW_FOUND_SIZE 320

#define LIST_SERVER_VALUE "ListServer"

struct RegistrationRecord {
    int32_t updatesAnswer;
    char firstName[DETAILS_TEXT_SIZE];
    char lastName[DETAILS_TEXT_SIZE];
    char ageBand[DETAILS_AGE_SIZE];
    char address[DETAILS_ADDRESS_SIZE];
    char city[DETAILS_TEXT_SIZE];
    char state[DETAILS_TEXT_SIZE];
    char country[DETAILS_TEXT_SIZE];
    char zip[DETAILS_TEXT_SIZE];
    char email[DETAILS_TEXT_SIZE];
    char phone[DETAILS_TEXT_SIZE];
    char howFound[DETAILS_HOW_FOUND_SIZE]; // sent, never stored
};

#define REGISTRATION_TITLE_SIZE (2 * 160 + 16)

// One registration, from the question to the thanks: the details the form
// edits, the payload carries and the store keeps, and the title of both
// dialogs and of every message box, "<company> <product> Registration...".
// The registration owns it and hands it to each step.
struct RegistrationSession {
    RegistrationRecord details;
    char title[REGISTRATION_TITLE_SIZE];
};

// One text of a record: its registry value (NULL: not stored), the form's
// control for it (0: none, the age band has a list of its own), where it
// lives in that record and its capacity.
struct DetailsText {
    const char* valueName;
    int controlId;
    char* text;
    int capacity;
};
#define DETAILS_TEXT_COUNT 11
// Fills texts[DETAILS_TEXT_COUNT] with the texts of `record`, in the
// record's order. Returns DETAILS_TEXT_COUNT.
int DetailsTexts(RegistrationRecord* record, DetailsText* texts);

// Zero answer, empty texts. Always 1.
int DetailsClear(RegistrationRecord* record);
// Writes the record under HKEY_CURRENT_USER\<VENDOR_KEY>; a key that can be
// neither opened nor created is fatal. Always 1.
int DetailsSave(const RegistrationRecord* record);
// Replaces the record from the registry, creating the key with the cleared
// record first when it is missing. A value that is absent or too long for
// its field leaves the field empty. Always 1.
int DetailsLoad(RegistrationRecord* record);
