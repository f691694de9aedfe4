// Product registration: the question, the form, the payload and its
// submission to the vendor's server, tried through the user's proxy, then
// directly, then again as often as the user asks.
#pragma once

#include "platform/platform.h"
#include "script/script.h"

#include <cstdint>

// 1 when the registration was sent and acknowledged, 0 when the user
// declined, the submission failed or the product's policy turns it off. `url` is the server's address, `text`
// goes into the payload, `question` is asked first.
int RegisterProduct(const char* question, const char* url, const char* text,
                    InstallScript* settings);

// Posts the scrambled payload; 1 when the reply contained "RegSuccess".
int SubmitRegistration(const char* url, int32_t useProxy, const char* payload, int32_t length);
