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

std::string DatabaseForMessages(const std::string& database) {
    if (!IsPostgres(database))
        return database;
    std::string shown = database;
    size_t start = shown.find("://") + 3;
    size_t end = shown.find_first_of("/?", start);
    size_t at = shown.rfind('@', end == std::string::npos ? shown.size() : end);
    if (at != std::string::npos && at >= start) {
        size_t colon = shown.find(':', start);
        if (colon != std::string::npos && colon < at)
            shown.replace(colon + 1, at - colon - 1, "***");
    }
    for (size_t key = shown.find("password="); key != std::string::npos;
         key = shown.find("password=", key + 1)) {
        size_t value = key + 9;
        size_t stop = shown.find('&', value);
        shown.replace(value, stop == std::string::npos ? stop : stop - value, "***");
    }
    return shown;
}
