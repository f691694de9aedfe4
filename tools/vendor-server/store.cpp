#include "store.h"

static bool StartsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

std::unique_ptr<RegistrationStore> OpenStore(const std::string& database, std::string& error) {
    if (StartsWith(database, "postgresql://") || StartsWith(database, "postgres://"))
        return OpenPostgresStore(database, error);
    return OpenSqliteStore(database, error);
}
