#include "columns.h"

#include "platform/platform.h"
#include "update/release-signature.h"

#include <ctime>

const std::vector<FieldColumn> FIELD_COLUMNS = {
    {"000", "program_version"},  {"001", "kind"},
    {"002", "register_text"},    {"100", "text_setting"},
    {"101", "company_name"},     {"102", "product_name"},
    {"103", "product_version"},  {"200", "first_name"},
    {"201", "last_name"},        {"202", "street_address"},
    {"203", "city"},             {"204", "state"},
    {"205", "country"},          {"206", "zip_code"},
    {"207", "email"},            {"208", "phone"},
    {"209", "found_by"},         {"210", "age_band"},
    {"300", "ip_address"},       {"301", "host_name"},
    {"302", "processor"},        {"303", "processor_mhz"},
    {"304", "mmx_identifier"},   {"305", "processor_vendor"},
    {"306", "screen_size"},      {"307", "bits_per_pixel"},
    {"308", "registered_owner"}, {"309", "registered_organization"},
    {"310", "operating_system"}, {"311", "physical_memory"},
    {"312", "page_file"},        {"400", "updates_answer"},
    {"401", "listserver_number"}, {"402", "listserver_name"},
    {"403", "listserver_text"},
};

namespace {

// Overlong forms and surrogates aside: a value that decodes is taken as
// UTF-8.
bool IsUtf8(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = text[i];
        size_t more = c < 0x80 ? 0 : c >= 0xC2 && c < 0xE0 ? 1 : c >= 0xE0 && c < 0xF0 ? 2
                                                           : c >= 0xF0 && c < 0xF5 ? 3 : 4;
        if (more == 4 || i + more >= text.size() + (more == 0 ? 1 : 0))
            return false;
        for (size_t k = 1; k <= more; k++) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        }
        i += more + 1;
    }
    return true;
}

void AppendUtf8(std::string& text, unsigned code) {
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else if (code < 0x800) {
        text += static_cast<char>(0xC0 | code >> 6);
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        text += static_cast<char>(0xE0 | code >> 12);
        text += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// 0x80 to 0x9F of Windows' Western code page; the rest is Latin-1.
const unsigned short WINDOWS_1252_HIGH[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The Windows build sends the user's text in the Windows code page, the
// native build in UTF-8; databases keep UTF-8, without NUL.
std::string AsUtf8(const std::string& value) {
    if (IsUtf8(value) && value.find('\0') == std::string::npos)
        return value;
    std::string text;
    for (unsigned char c : value) {
        if (c == 0)
            AppendUtf8(text, 0xFFFD);
        else if (c >= 0x80 && c < 0xA0)
            AppendUtf8(text, WINDOWS_1252_HIGH[c - 0x80]);
        else
            AppendUtf8(text, c);
    }
    return text;
}

std::string UtcNow() {
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &utc);
    return text;
}

std::string Sha256Hex(const Bytes& bytes) {
    uint8_t digest[PLAT_SHA256_SIZE] = {};
    PlatHash hash = PlatSha256Begin();
    bool good = hash != nullptr && PlatHashAdd(hash, bytes.data(), bytes.size());
    good = PlatHashFinish(hash, good ? digest : nullptr) && good;
    char text[2 * PLAT_SHA256_SIZE + 1];
    HexEncode(digest, PLAT_SHA256_SIZE, text);
    return good ? text : "";
}

std::string ColumnList() {
    std::string list = "received_at, sender, body_sha256, body";
    for (const FieldColumn& column : FIELD_COLUMNS)
        list += std::string(", ") + column.name;
    return list;
}

} // namespace

StoredRegistration StoredFrom(const Registration& registration, const Bytes& body,
                              const std::string& sender) {
    StoredRegistration stored;
    stored.receivedAt = UtcNow();
    stored.sender = sender;
    stored.bodySha256 = Sha256Hex(body);
    stored.body.assign(body.begin(), body.end());
    stored.values.resize(FIELD_COLUMNS.size());
    for (const RegistrationField& field : registration.fields) {
        for (size_t i = 0; i < FIELD_COLUMNS.size(); i++) {
            // A number sent twice keeps its first value; the body keeps all.
            if (field.number == FIELD_COLUMNS[i].number && !stored.values[i])
                stored.values[i] = AsUtf8(field.value);
        }
    }
    return stored;
}

std::string CreateTableSql(const std::string& idColumn) {
    std::string sql = "CREATE TABLE IF NOT EXISTS registrations (id " + idColumn +
                      ", received_at TEXT NOT NULL, sender TEXT NOT NULL, "
                      "body_sha256 TEXT NOT NULL UNIQUE, body TEXT NOT NULL";
    for (const FieldColumn& column : FIELD_COLUMNS)
        sql += std::string(", ") + column.name + " TEXT";
    return sql + "); CREATE INDEX IF NOT EXISTS registrations_received_at "
                 "ON registrations (received_at)";
}

std::string InsertSql(std::string (*placeholder)(int), size_t rows) {
    const size_t perRow = FIELD_COLUMNS.size() + 4;
    std::string values;
    for (size_t row = 0; row < rows; row++) {
        values += row > 0 ? ", (" : "(";
        for (size_t i = 1; i <= perRow; i++)
            values += (i > 1 ? ", " : "") + placeholder(static_cast<int>(row * perRow + i));
        values += ")";
    }
    return "INSERT INTO registrations (" + ColumnList() + ") VALUES " + values +
           " ON CONFLICT (body_sha256) DO NOTHING";
}

std::string SelectSql(const std::string& sinceCondition) {
    std::string list = "received_at, sender";
    for (const FieldColumn& column : FIELD_COLUMNS)
        list += std::string(", ") + column.name;
    list += ", body_sha256";
    return "SELECT " + list + " FROM registrations" +
           (sinceCondition.empty() ? "" : " WHERE received_at >= " + sinceCondition) +
           " ORDER BY received_at, id";
}

std::vector<std::string> ExportColumns() {
    std::vector<std::string> columns = {"received_at", "sender"};
    for (const FieldColumn& column : FIELD_COLUMNS)
        columns.push_back(column.name);
    columns.push_back("body_sha256");
    return columns;
}
