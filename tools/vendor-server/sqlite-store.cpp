// Registrations in one SQLite file in WAL mode: readers (an export) never
// wait for the server, and each batch is on the disk before the program is
// told its registrations arrived.
#include "store.h"

#include <sqlite3.h>

namespace {

std::string QuestionMark(int) {
    return "?";
}

class SqliteDatabase : public RegistrationDatabase {
public:
    explicit SqliteDatabase(sqlite3* database) : database_(database) {}
    ~SqliteDatabase() override {
        sqlite3_finalize(insert_);
        sqlite3_close(database_);
    }

    bool Prepare(std::string& error) {
        const char* setup = "PRAGMA journal_mode = WAL; PRAGMA synchronous = FULL;";
        if (!Execute(setup, error) || !Execute(CreateTableSql("INTEGER PRIMARY KEY"), error))
            return false;
        if (sqlite3_prepare_v2(database_, InsertSql(QuestionMark).c_str(), -1, &insert_,
                               nullptr) != SQLITE_OK) {
            error = sqlite3_errmsg(database_);
            return false;
        }
        return true;
    }

    bool StoreBatch(const std::vector<const StoredRegistration*>& batch,
                    std::vector<StoreOutcome>& outcomes, std::string& error) override {
        // Immediate: another server on the file waits for the write lock
        // here, not halfway through the batch.
        if (!Execute("BEGIN IMMEDIATE", error))
            return false;
        for (size_t i = 0; i < batch.size(); i++) {
            if (!Insert(*batch[i], outcomes[i], error)) {
                std::string ignored;
                Execute("ROLLBACK", ignored);
                return false;
            }
        }
        // With synchronous FULL the commit returns once the log is on the disk.
        if (Execute("COMMIT", error))
            return true;
        std::string ignored;
        Execute("ROLLBACK", ignored);
        return false;
    }

    bool Export(const std::string& since, const ExportRow& row, std::string& error) override {
        sqlite3_stmt* select = nullptr;
        if (sqlite3_prepare_v2(database_, SelectSql(since.empty() ? "" : "?").c_str(), -1,
                               &select, nullptr) != SQLITE_OK) {
            error = sqlite3_errmsg(database_);
            return false;
        }
        if (!since.empty())
            sqlite3_bind_text(select, 1, since.c_str(), -1, SQLITE_TRANSIENT);
        int result;
        std::vector<std::optional<std::string>> values;
        while ((result = sqlite3_step(select)) == SQLITE_ROW) {
            values.clear();
            for (int i = 0; i < sqlite3_column_count(select); i++) {
                const unsigned char* text = sqlite3_column_text(select, i);
                if (text == nullptr)
                    values.push_back(std::nullopt);
                else
                    values.push_back(std::string(reinterpret_cast<const char*>(text),
                                                 sqlite3_column_bytes(select, i)));
            }
            row(values);
        }
        if (result != SQLITE_DONE)
            error = sqlite3_errmsg(database_);
        sqlite3_finalize(select);
        return result == SQLITE_DONE;
    }

private:
    bool Execute(const std::string& sql, std::string& error) {
        char* message = nullptr;
        if (sqlite3_exec(database_, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK)
            return true;
        error = message != nullptr ? message : "unknown error";
        sqlite3_free(message);
        return false;
    }

    bool Insert(const StoredRegistration& registration, StoreOutcome& outcome,
                std::string& error) {
        sqlite3_reset(insert_);
        sqlite3_clear_bindings(insert_);
        int index = 1;
        for (const std::string* text : {&registration.receivedAt, &registration.sender,
                                        &registration.bodySha256, &registration.body})
            Bind(index++, *text);
        for (const std::optional<std::string>& value : registration.values) {
            if (value)
                Bind(index, *value);
            index++;
        }
        int result = sqlite3_step(insert_);
        if (result != SQLITE_DONE) {
            error = sqlite3_errmsg(database_);
            sqlite3_reset(insert_);
            return false;
        }
        outcome = sqlite3_changes(database_) == 1 ? StoreOutcome::Stored : StoreOutcome::Duplicate;
        return true;
    }

    void Bind(int index, const std::string& text) {
        sqlite3_bind_text(insert_, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
    }

    sqlite3* database_;
    sqlite3_stmt* insert_ = nullptr;
};

} // namespace

std::unique_ptr<RegistrationDatabase> OpenSqliteDatabase(const std::string& path,
                                                         std::string& error) {
    sqlite3* database = nullptr;
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
    if (sqlite3_open_v2(path.c_str(), &database, flags, nullptr) != SQLITE_OK) {
        error = database != nullptr ? sqlite3_errmsg(database) : "out of memory";
        sqlite3_close(database);
        return nullptr;
    }
    // Other servers, or an export, on the same file.
    sqlite3_busy_timeout(database, 10000);
    auto store = std::make_unique<SqliteDatabase>(database);
    if (!store->Prepare(error))
        return nullptr;
    return store;
}
