// Registrations in PostgreSQL, for vendors with several servers behind a
// load balancer: the unique hash makes the database, not a server, decide
// what is a duplicate, however the resends are spread.
#include "store.h"

#include <libpq-fe.h>
#include <mutex>

namespace {

std::string DollarNumber(int n) {
    return "$" + std::to_string(n);
}

// Any number of servers may make the table at the same moment.
const char* const SCHEMA_LOCK = "SELECT pg_advisory_xact_lock(7305118)";

using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

class PostgresStore : public RegistrationStore {
public:
    explicit PostgresStore(std::string connection) : connection_(std::move(connection)) {}
    ~PostgresStore() override {
        for (PGconn* idle : idle_)
            PQfinish(idle);
    }

    bool Prepare(std::string& error) {
        PGconn* connection = Acquire(error);
        if (connection == nullptr)
            return false;
        std::string sql = "BEGIN; " + std::string(SCHEMA_LOCK) + "; " +
                          CreateTableSql("BIGSERIAL PRIMARY KEY") + "; COMMIT";
        Result result(PQexec(connection, sql.c_str()), PQclear);
        bool good = PQresultStatus(result.get()) == PGRES_COMMAND_OK;
        if (!good)
            error = PQerrorMessage(connection);
        Release(connection);
        return good;
    }

    StoreOutcome Store(const StoredRegistration& registration, std::string& error) override {
        std::vector<const char*> values = {registration.receivedAt.c_str(),
                                           registration.sender.c_str(),
                                           registration.bodySha256.c_str(),
                                           registration.body.c_str()};
        for (const std::optional<std::string>& value : registration.values)
            values.push_back(value ? value->c_str() : nullptr);
        // A connection the database dropped (a restart, a fail-over) is
        // opened again once.
        for (int attempt = 0; attempt < 2; attempt++) {
            PGconn* connection = Acquire(error);
            if (connection == nullptr)
                return StoreOutcome::Failed;
            Result result(PQexecParams(connection, insertSql_.c_str(),
                                       static_cast<int>(values.size()), nullptr, values.data(),
                                       nullptr, nullptr, 0),
                          PQclear);
            if (PQresultStatus(result.get()) == PGRES_COMMAND_OK) {
                bool stored = std::string(PQcmdTuples(result.get())) == "1";
                Release(connection);
                return stored ? StoreOutcome::Stored : StoreOutcome::Duplicate;
            }
            error = PQerrorMessage(connection);
            if (PQstatus(connection) == CONNECTION_OK) {
                Release(connection);
                return StoreOutcome::Failed;
            }
            PQfinish(connection);
        }
        return StoreOutcome::Failed;
    }

    bool Export(const std::string& since, const ExportRow& row, std::string& error) override {
        PGconn* connection = Acquire(error);
        if (connection == nullptr)
            return false;
        const char* parameter = since.c_str();
        Result result(PQexecParams(connection, SelectSql(since.empty() ? "" : "$1").c_str(),
                                   since.empty() ? 0 : 1, nullptr, &parameter, nullptr, nullptr,
                                   0),
                      PQclear);
        bool good = PQresultStatus(result.get()) == PGRES_TUPLES_OK;
        if (!good)
            error = PQerrorMessage(connection);
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
        Release(connection);
        return good;
    }

private:
    // Connections are opened as the requests need them and kept for the
    // next one.
    PGconn* Acquire(std::string& error) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!idle_.empty()) {
                PGconn* connection = idle_.back();
                idle_.pop_back();
                return connection;
            }
        }
        PGconn* connection = PQconnectdb(connection_.c_str());
        if (PQstatus(connection) != CONNECTION_OK) {
            error = PQerrorMessage(connection);
            PQfinish(connection);
            return nullptr;
        }
        PQsetClientEncoding(connection, "UTF8");
        return connection;
    }

    void Release(PGconn* connection) {
        std::lock_guard<std::mutex> lock(mutex_);
        idle_.push_back(connection);
    }

    std::string connection_;
    std::string insertSql_ = InsertSql(DollarNumber);
    std::mutex mutex_;
    std::vector<PGconn*> idle_;
};

} // namespace

std::unique_ptr<RegistrationStore> OpenPostgresStore(const std::string& connection,
                                                     std::string& error) {
    auto store = std::make_unique<PostgresStore>(connection);
    if (!store->Prepare(error))
        return nullptr;
    return store;
}
