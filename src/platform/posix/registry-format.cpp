// POSIX backend: the registry file's text, REGEDIT4 as regedit writes it.
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Tolvane\Installer]
//   "First Name"="Ann"
//   "Count"=dword:0000000a
//   "Blob"=hex:01,02,03
//
// Long hex data may go on over the next lines, each but the last ending in
// a backslash.
//
// Texts escape only \ and " (as \\ and \"). Values that these forms cannot
// carry exactly (other types, a DWORD of another size, a text with a NUL or
// a line break) are written as hex(type), so that every value survives a
// rewrite byte for byte.
#include "platform/posix/registry-store.h"

#include <cstdio>

namespace {

const char* const Header = "REGEDIT4";
const char* const Version5Header = "Windows Registry Editor Version 5.00";

// The value types whose hex data a version 5 file gives in UTF-16LE.
bool IsTextType(uint32_t type) {
    return type == REG_SZ || type == 2 /* REG_EXPAND_SZ */ || type == 7 /* REG_MULTI_SZ */;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::string Trim(const std::string& text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && RegNameEqual(text.substr(0, prefix.size()), prefix);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// 1 to `maxDigits` hex digits and nothing else.
bool ParseHexNumber(const std::string& text, size_t maxDigits, uint32_t* number) {
    if (text.empty() || text.size() > maxDigits)
        return false;
    uint32_t value = 0;
    for (char c : text) {
        int digit = HexDigit(c);
        if (digit < 0)
            return false;
        value = value << 4 | (uint32_t)digit;
    }
    *number = value;
    return true;
}

// A quoted text starting at text[pos]; pos ends after the closing quote.
bool ParseQuoted(const std::string& text, size_t& pos, std::string* out, std::string* reason) {
    ++pos;
    while (pos < text.size()) {
        char c = text[pos++];
        if (c == '"')
            return true;
        if (c == '\\') {
            if (pos == text.size())
                break;
            char escaped = text[pos++];
            if (escaped != '\\' && escaped != '"') {
                *reason = std::string("unknown escape \\") + escaped + " (write \\\\ for \\)";
                return false;
            }
            c = escaped;
        }
        out->push_back(c);
    }
    *reason = "text without its closing quote";
    return false;
}

bool ParseHexBytes(const std::string& list, std::string* bytes) {
    if (Trim(list).empty())
        return true;
    size_t start = 0;
    while (true) {
        size_t comma = list.find(',', start);
        std::string item = Trim(
            list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        uint32_t byte = 0;
        if (!ParseHexNumber(item, 2, &byte))
            return false;
        bytes->push_back((char)byte);
        if (comma == std::string::npos)
            return true;
        start = comma + 1;
    }
}

// The data after '=': a text, a dword or hex bytes, possibly continued on
// the following lines by a trailing backslash.
bool ParseData(const std::vector<std::string>& lines, size_t& index, std::string data,
               bool wideTexts, RegValue* value, std::string* reason) {
    if (!data.empty() && data[0] == '"') {
        size_t pos = 0;
        if (!ParseQuoted(data, pos, &value->data, reason))
            return false;
        if (!Trim(data.substr(pos)).empty()) {
            *reason = "unexpected text after the closing quote";
            return false;
        }
        value->type = REG_SZ;
        return true;
    }
    data = Trim(data);
    if (StartsWithNoCase(data, "dword:")) {
        uint32_t number = 0;
        if (!ParseHexNumber(data.substr(6), 8, &number)) {
            *reason = "a dword needs 1 to 8 hex digits";
            return false;
        }
        value->type = REG_DWORD;
        for (int i = 0; i < 4; ++i)
            value->data.push_back((char)(number >> (8 * i)));
        return true;
    }
    if (!StartsWithNoCase(data, "hex")) {
        *reason = "the data is neither \"text\", dword: nor hex:";
        return false;
    }
    size_t colon = data.find(':');
    std::string kind = data.substr(0, colon);
    bool plainHex = kind.size() == 3;
    value->type = 3; // REG_BINARY
    if (colon == std::string::npos ||
        (!plainHex && (kind.size() < 6 || kind[3] != '(' || kind.back() != ')' ||
                       !ParseHexNumber(kind.substr(4, kind.size() - 5), 8, &value->type)))) {
        *reason = "hex data must start with hex: or hex(type):";
        return false;
    }
    std::string list = data.substr(colon + 1);
    while (!list.empty() && list.back() == '\\') {
        list.pop_back();
        if (++index == lines.size()) {
            *reason = "hex data continues past the end of the file";
            return false;
        }
        list += Trim(lines[index]);
    }
    if (!ParseHexBytes(list, &value->data)) {
        *reason = "hex data must be two-digit bytes separated by commas";
        return false;
    }
    if (wideTexts && IsTextType(value->type) && !RegUtf16LeToUtf8(value->data, &value->data)) {
        *reason = "text data of a version 5 file must be UTF-16LE";
        return false;
    }
    return true;
}

bool ParseValueLine(const std::vector<std::string>& lines, size_t& index, const std::string& line,
                    bool wideTexts, RegKey& key, std::string* reason) {
    RegValue value;
    size_t pos = 0;
    if (line[0] == '@') {
        pos = 1;
    } else if (line[0] != '"') {
        *reason = "a value line must begin with \"name\" or @";
        return false;
    } else if (!ParseQuoted(line, pos, &value.name, reason)) {
        return false;
    }
    size_t equals = line.find_first_not_of(" \t", pos);
    if (equals == std::string::npos || line[equals] != '=') {
        *reason = "expected = after the value name";
        return false;
    }
    std::string data = Trim(line.substr(equals + 1));
    if (!ParseData(lines, index, data, wideTexts, &value, reason))
        return false;
    RegPutValue(key, value.name, value.type, value.data);
    return true;
}

bool ParseKeyLine(const std::string& line, RegStore* store, size_t* keyIndex, std::string* reason) {
    if (line.size() < 2 || line.back() != ']') {
        *reason = "a key line must end with ]";
        return false;
    }
    std::string path = line.substr(1, line.size() - 2);
    if (!path.empty() && path[0] == '-') {
        *reason = "key deletions do not belong in the registry file";
        return false;
    }
    size_t rootEnd = path.find('\\');
    const char* root = RegCanonicalRootName(path.substr(0, rootEnd));
    if (root == nullptr) {
        *reason = "unknown root key '" + path.substr(0, rootEnd) + "'";
        return false;
    }
    std::string rest = rootEnd == std::string::npos ? "" : path.substr(rootEnd);
    if (rest == "\\" || rest.find("\\\\") != std::string::npos ||
        (!rest.empty() && rest.back() == '\\')) {
        *reason = "empty key name in the path";
        return false;
    }
    RegKey& key = RegAddKey(*store, root + rest);
    *keyIndex = (size_t)(&key - store->keys.data());
    return true;
}

std::string Quote(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            quoted.push_back('\\');
        quoted.push_back(c);
    }
    return quoted + "\"";
}

bool FitsQuotes(const std::string& text) {
    return text.find_first_of(std::string("\0\r\n", 3)) == std::string::npos;
}

std::string FormatData(const RegValue& value) {
    char buffer[32];
    if (value.type == REG_SZ && FitsQuotes(value.data))
        return Quote(value.data);
    if (value.type == REG_DWORD && value.data.size() == 4) {
        uint32_t number = 0;
        for (int i = 0; i < 4; ++i)
            number |= (uint32_t)(unsigned char)value.data[i] << (8 * i);
        std::snprintf(buffer, sizeof buffer, "dword:%08x", number);
        return buffer;
    }
    std::string text = "hex";
    if (value.type != 3) {
        std::snprintf(buffer, sizeof buffer, "(%x)", value.type);
        text += buffer;
    }
    text += ":";
    for (size_t i = 0; i < value.data.size(); ++i) {
        std::snprintf(buffer, sizeof buffer, i == 0 ? "%02x" : ",%02x",
                      (unsigned)(unsigned char)value.data[i]);
        text += buffer;
    }
    return text;
}

} // namespace

bool RegParseText(const std::string& raw, RegStore* store, RegParseError* error,
                  std::string* foreignFormat) {
    std::string text, encoding;
    if (!RegDecodeFileText(raw, &text, &encoding, &error->reason)) {
        error->line = 1;
        return false;
    }
    std::vector<std::string> lines = SplitLines(text);
    bool headerSeen = false;
    bool version5 = false;
    size_t keyIndex = 0;
    bool inKey = false;
    for (size_t index = 0; index < lines.size(); ++index) {
        size_t first = index;
        std::string line = Trim(lines[index]);
        std::string reason;
        bool good = true;
        if (line.empty())
            continue;
        if (!headerSeen) {
            version5 = line == Version5Header;
            headerSeen = line == Header || version5;
            if (!headerSeen)
                reason = "the file must begin with the line REGEDIT4";
            good = headerSeen;
        } else if (line[0] == ';') {
            continue;
        } else if (line[0] == '[') {
            good = ParseKeyLine(line, store, &keyIndex, &reason);
            inKey = good;
        } else if (!inKey) {
            reason = "a value before the first key";
            good = false;
        } else {
            good = ParseValueLine(lines, index, line, version5, store->keys[keyIndex], &reason);
        }
        if (!good) {
            error->line = (int)first + 1;
            error->reason = reason;
            return false;
        }
    }
    if (!headerSeen) {
        error->line = 1;
        error->reason = "the file must begin with the line REGEDIT4";
        return false;
    }
    if (foreignFormat != nullptr) {
        *foreignFormat = version5 ? std::string(Version5Header) : std::string("REGEDIT4");
        if (!encoding.empty())
            *foreignFormat += " in " + encoding;
        else if (version5)
            *foreignFormat += " in UTF-8";
        if (!version5 && encoding.empty())
            foreignFormat->clear();
    }
    return true;
}

std::string RegFormatText(const RegStore& store) {
    std::string text = std::string(Header) + "\n";
    for (const RegKey& key : store.keys) {
        text += "\n[" + key.path + "]\n";
        for (const RegValue& value : key.values) {
            text += (value.name.empty() ? "@" : Quote(value.name)) + "=" + FormatData(value) + "\n";
        }
    }
    return text;
}
