#include "export.h"

#include "store.h"

#include <cctype>
#include <cstring>
#include <filesystem>
#include <cstdio>

namespace {

// Quoted when it holds a separator, a quote or a line end; quotes doubled.
std::string CsvField(const std::string& value) {
    if (value.find_first_of(",\"\r\n") == std::string::npos)
        return value;
    std::string quoted = "\"";
    for (char c : value) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

void WriteRow(const std::vector<std::optional<std::string>>& values, bool raw) {
    std::string line;
    for (size_t i = 0; i < values.size(); i++) {
        if (i > 0)
            line += ',';
        if (values[i])
            line += CsvValue(*values[i], raw);
    }
    line += "\r\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
}

bool Matches(const std::string& text, const char* pattern) {
    if (text.size() != std::char_traits<char>::length(pattern))
        return false;
    for (size_t i = 0; i < text.size(); i++) {
        bool digit = std::isdigit(static_cast<unsigned char>(text[i])) != 0;
        if (pattern[i] == '9' ? !digit : text[i] != pattern[i])
            return false;
    }
    return true;
}

} // namespace

std::string CsvValue(const std::string& value, bool raw) {
    // Spreadsheets start a formula at these, also behind the quotes.
    if (!raw && !value.empty() && value[0] != '\0' && std::strchr("=+-@\t\r", value[0]) != nullptr)
        return CsvField("'" + value);
    return CsvField(value);
}

bool NormalisedSince(const std::string& text, std::string& since) {
    since = text;
    if (since.size() > 10 && since[10] == 'T')
        since[10] = ' ';
    return Matches(since, "9999-99-99") || Matches(since, "9999-99-99 99:99:99");
}

int ExportCsv(const std::string& database, const std::string& since, bool raw) {
    std::string error;
    // A mistyped file name must not become a new, empty database.
    std::error_code ec;
    std::unique_ptr<RegistrationStore> store;
    if (!IsPostgres(database) && !std::filesystem::is_regular_file(database, ec))
        error = "there is no such file";
    else
        store = OpenStore(database, error);
    if (!store) {
        std::fprintf(stderr, "vendor-server: cannot open the database '%s': %s",
                     DatabaseForMessages(database).c_str(),
                     error.c_str());
        if (error.empty() || error.back() != '\n')
            std::fputc('\n', stderr);
        return 1;
    }
    std::vector<std::optional<std::string>> header;
    for (const std::string& column : ExportColumns())
        header.push_back(column);
    WriteRow(header, raw);
    auto row = [raw](const std::vector<std::optional<std::string>>& values) { WriteRow(values, raw); };
    if (!store->Export(since, row, error)) {
        std::fprintf(stderr, "vendor-server: cannot read the registrations: %s\n", error.c_str());
        return 1;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
