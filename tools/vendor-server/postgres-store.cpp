// Registrations in PostgreSQL, for vendors with several servers behind a
// load balancer: the unique hash makes the database, not a server, decide
// what is a duplicate, however the resends are spread.
#include "store.h"

#include <libpq-fe.h>
#include <map>

namespace {

std::string DollarNumber(int n) {
    return "$" + std::to_string(n);
}

// Any number of servers may make the table at the same moment.
const char* const SCHEMA_LOCK = "SELECT pg_advisory_xact_lock(7305118)";

using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

class PostgresDatabase : public RegistrationDatabase {
public:
    explicit PostgresDatabase(std::string address) : address_(std::move(address)) {}
    ~PostgresDatabase() override { PQfinish(connection_); }

    bool Prepare(std::string& error) {
        if (!Connect(error))
            return false;
        std::string sql = "BEGIN; " + std::string(SCHEMA_LOCK) + "; " +
                          CreateTableSql("BIGSERIAL PRIMARY KEY") + "; COMMIT";
        Result result(PQexec(connection_, sql.c_str()), PQclear);
        bool good = PQresultStatus(result.get()) == PGRES_COMMAND_OK;
        if (!good)
            error = PQerrorMessage(connection_);
        return good;
    }

    bool StoreBatch(const std::vector<const StoredRegistration*>& batch,
                    std::vector<StoreOutcome>& outcomes, std::string& error) override {
        // Each body once, in the order of its hash: two servers writing
        // overlapping batches then take the unique index's locks in the same
        // order and never deadlock.
        std::map<std::string, size_t> first;
        for (size_t i = 0; i < batch.size(); i++) {
            outcomes[i] = StoreOutcome::Duplicate;
            first.emplace(batch[i]->bodySha256, i);
        }
        std::vector<const char*> values;
        for (const auto& [hash, i] : first) {
            const StoredRegistration& registration = *batch[i];
            for (const std::string* text : {&registration.receivedAt, &registration.sender,
                                            &registration.bodySha256, &registration.body})
                values.push_back(text->c_str());
            for (const std::optional<std::string>& value : registration.values)
                values.push_back(value ? value->c_str() : nullptr);
        }
        // One statement is one transaction: it returns once the commit is
        // durable, with the hashes of the rows it added.
        std::string sql = InsertSql(DollarNumber, first.size()) + " RETURNING body_sha256";
        // A connection the database dropped (a restart, a fail-over) is
        // opened again once.
        for (int attempt = 0; attempt < 2; attempt++) {
            if (connection_ == nullptr && !Connect(error))
                return false;
            Result result(PQexecParams(connection_, sql.c_str(), static_cast<int>(values.size()),
                                       nullptr, values.data(), nullptr, nullptr, 0),
                          PQclear);
            if (PQresultStatus(result.get()) == PGRES_TUPLES_OK) {
                for (int row = 0; row < PQntuples(result.get()); row++) {
                    auto added = first.find(PQgetvalue(result.get(), row, 0));
                    if (added != first.end())
                        outcomes[added->second] = StoreOutcome::Stored;
                }
                return true;
            }
            error = PQerrorMessage(connection_);
            if (PQstatus(connection_) == CONNECTION_OK)
                return false;
            PQfinish(connection_);
            connection_ = nullptr;
        }
        return false;
    }

    bool Export(const std::string& since, const ExportRow& row, std::string& error) override {
        if (connection_ == nullptr && !Connect(error))
            return false;
        const char* parameter = since.c_str();
        Result result(PQexecParams(connection_, SelectSql(since.empty() ? "" : "$1").c_str(),
                                   since.empty() ? 0 : 1, nullptr, &parameter, nullptr, nullptr,
                                   0),
                      PQclear);
        bool good = PQresultStatus(result.get()) == PGRES_TUPLES_OK;
        if (!good)
            error = PQerrorMessage(connection_);
        std::vector<std::optional<std::string>> values;
        for (int r = 0; good && r < PQntuples(result.get()); r++) {
            values.clear();
            for (int c = 0; c < PQnfields(result.get()); c++) {
                if (PQgetisnull(result.get(), r, c))
                    values.push_back(std::nullopt);
                else
                    values.push_back(std::string(PQgetvalue(result.get(), r, c),
                                                 PQgetlength(result.get(), r, c)));
            }
            row(values);
        }
        return good;
    }

private:
    bool Connect(std::string& error) {
        PGconn* connection = PQconnectdb(address_.c_str());
        if (PQstatus(connection) != CONNECTION_OK) {
            error = PQerrorMessage(connection);
            PQfinish(connection);
            return false;
        }
        PQsetClientEncoding(connection, "UTF8");
        connection_ = connection;
        return true;
    }

    std::string address_;
    // The group commit writes from one thread: one connection is enough.
    PGconn* connection_ = nullptr;
};

} // namespace

std::unique_ptr<RegistrationDatabase> OpenPostgresDatabase(const std::string& connection,
                                                           std::string& error) {
    auto database = std::make_unique<PostgresDatabase>(connection);
    if (!database->Prepare(error))
        return nullptr;
    return database;
}
