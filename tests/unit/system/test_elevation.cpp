// When the program asks for an administrator's rights: only to change a
// product it may not change, only where consent would grant them.
#include "system/elevation.h"
#include "base/identity.h"

#include <gtest/gtest.h>

namespace {

TEST(Elevation, AsksOnlyWhereTheProductNeedsIt) {
    const int ELEVATED = 1, LIMITED = 0, UAC = 1, NO_UAC = 0, WRITABLE = 1, REFUSED = 0;
    struct Case {
        const char* what;
        ElevationFacts facts;
        int asks;
    } cases[] = {
        {"per-machine product, administrator under UAC", {LIMITED, UAC, REFUSED, MODE_UNINSTALL}, 1},
        {"per-machine product, update download", {LIMITED, UAC, REFUSED, MODE_UPDATE}, 1},
        {"per-user product", {LIMITED, UAC, WRITABLE, MODE_UNINSTALL}, 0},
        {"per-user product, update download", {LIMITED, UAC, WRITABLE, MODE_UPDATE}, 0},
        {"already elevated", {ELEVATED, UAC, REFUSED, MODE_UNINSTALL}, 0},
        {"elevated and writable", {ELEVATED, UAC, WRITABLE, MODE_UPDATE}, 0},
        {"no UAC: nobody to ask", {LIMITED, NO_UAC, REFUSED, MODE_UNINSTALL}, 0},
        {"no UAC, update", {LIMITED, NO_UAC, REFUSED, MODE_UPDATE}, 0},
        {"registration runs as the user", {LIMITED, UAC, REFUSED, MODE_REGISTER_STANDALONE}, 0},
        {"installer's registration", {LIMITED, UAC, REFUSED, MODE_REGISTER_INSTALLER}, 0},
        {"application's registration", {LIMITED, UAC, REFUSED, MODE_REGISTER_APPLICATION}, 0},
        {"declined run", {LIMITED, UAC, REFUSED, MODE_NONE}, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(ElevationNeeded(&c.facts), c.asks) << c.what;
}

}  // namespace
