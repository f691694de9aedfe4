#include "store.h"

static bool StartsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

bool IsPostgres(const std::string& database) {
    return StartsWith(database, "postgresql://") || StartsWith(database, "postgres://");
}

std::unique_ptr<RegistrationStore> OpenStore(const std::string& database, std::string& error) {
    if (IsPostgres(database))
        return OpenPostgresStore(database, error);
    return OpenSqliteStore(database, error);
}
