// When the program asks for an administrator's rights: only to change a
// product it may not change, only where consent would grant them.
#include "system/elevation.h"

#include <gtest/gtest.h>

namespace {

TEST(Elevation, AsksOnlyWhereTheProductNeedsIt) {
    const int ELEVATED = 1, LIMITED = 0, UAC = 1, NO_UAC = 0, WRITABLE = 1, REFUSED = 0;
    struct Case {
        const char* what;
        ElevationFacts facts;
        int asks;
    } cases[] = {
        {"per-machine product, administrator under UAC", {LIMITED, UAC, REFUSED}, 1},
        {"per-user product", {LIMITED, UAC, WRITABLE}, 0},
        {"already elevated", {ELEVATED, UAC, REFUSED}, 0},
        {"elevated and writable", {ELEVATED, UAC, WRITABLE}, 0},
        {"no UAC: nobody to ask", {LIMITED, NO_UAC, REFUSED}, 0},
        {"no UAC, writable", {LIMITED, NO_UAC, WRITABLE}, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(ElevationNeeded(&c.facts), c.asks) << c.what;
}

}  // namespace
