#include "store.h"

#include "group-commit.h"

static bool StartsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

bool IsPostgres(const std::string& database) {
    return StartsWith(database, "postgresql://") || StartsWith(database, "postgres://");
}

std::unique_ptr<RegistrationStore> OpenStore(const std::string& database, std::string& error) {
    std::unique_ptr<RegistrationDatabase> opened =
        IsPostgres(database) ? OpenPostgresDatabase(database, error)
                             : OpenSqliteDatabase(database, error);
    if (!opened)
        return nullptr;
    return GroupCommit(std::move(opened));
}
