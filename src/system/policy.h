// The product's policy: values an administrator sets, by group policy or
// a .reg file, under Software\Policies\COMPANY\PRODUCT to turn the update
// check or the registration off, or to point the update check at an
// internal mirror. The machine's key (HKEY_LOCAL_MACHINE) is read first and
// wins; a value it does not hold is taken from the user's
// (HKEY_CURRENT_USER). Only the features read it, each before it asks
// anything.
#pragma once

#include <cstdint>

#define POLICY_KEY_FORMAT "Software\\Policies\\%s\\%s"
#define POLICY_DISABLE_UPDATE_CHECK "DisableUpdateCheck"
#define POLICY_DISABLE_REGISTRATION "DisableRegistration"
#define POLICY_UPDATE_URL "UpdateURL"
#define POLICY_URL_SIZE 320

struct ProductPolicy {
    int disableUpdateCheck;           // DisableUpdateCheck is the DWORD 1
    int disableRegistration;          // DisableRegistration is the DWORD 1
    char updateUrl[POLICY_URL_SIZE];  // UpdateURL, "" when not set
    // UpdateURL is set but cannot be used (too long, not a text): the
    // update check must not fall back to the vendor's server.
    int updateUrlUnusable;
};

// Reads the policy of the product named `company` and `product`; values
// found are logged. A product without a policy gets all zeros. Always 1.
int ReadProductPolicy(const char* company, const char* product, ProductPolicy* policy);
