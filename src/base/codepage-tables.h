// The tables of the single-byte code pages (base/codepage.cpp reads them).
#pragma once

#include <cstdint>

extern const uint16_t CODE_PAGE_1250_HIGH[128];
extern const uint16_t CODE_PAGE_1251_HIGH[128];
extern const uint16_t CODE_PAGE_1252_HIGH[128];
