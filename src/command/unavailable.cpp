#include "command/handlers.h"

#include "zunkcore/zunk-core.h"

int ReportActionUnavailable(const char* keyword) {
    LogPrint("Keyword '%s' is not available in this build\n", keyword);
    return 1;
}
