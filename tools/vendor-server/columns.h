// A stored registration: when and from where it came, the hash that keeps
// it from being stored twice, the body as received, and each numbered field
// in a column of its own (named after docs/registration.md).
#pragma once

#include "registration-body.h"

#include <optional>
#include <string>
#include <vector>

struct FieldColumn {
    const char* number;
    const char* name;
};

// Every numbered field the program sends, in the order it sends them.
extern const std::vector<FieldColumn> FIELD_COLUMNS;

struct StoredRegistration {
    std::string receivedAt; // UTC, "YYYY-MM-DD HH:MM:SS"
    std::string sender;     // the address the request came from
    std::string bodySha256; // lower-case hexadecimal
    std::string body;
    std::vector<std::optional<std::string>> values; // one per FIELD_COLUMNS entry, UTF-8
};

StoredRegistration StoredFrom(const Registration& registration, const Bytes& body,
                              const std::string& sender);

// The statements both databases understand. `placeholder` gives the
// parameter marker of the n-th value (1 first).
std::string CreateTableSql(const std::string& idColumn);
// InsertSql writes `rows` rows of values, numbered on from row to row.
std::string InsertSql(std::string (*placeholder)(int), size_t rows = 1);
std::string SelectSql(const std::string& sinceCondition);
// The export's header: received_at, sender, the field columns, body_sha256.
std::vector<std::string> ExportColumns();
