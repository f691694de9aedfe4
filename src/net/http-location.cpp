#include "net/http-location.h"

#include "base/core.h"
#include "net/http.h"

#include <cstring>
#include <string>

namespace {

bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// A scheme ("http:", "ftp:", "mailto:") opens the reference.
bool HasScheme(const char* reference) {
    if (!IsAlpha(reference[0])) return false;
    const char* p = reference + 1;
    while (IsAlpha(*p) || (*p >= '0' && *p <= '9') || *p == '+' || *p == '-' || *p == '.') ++p;
    return *p == ':';
}

// The path with its "." and ".." segments taken out; the query stays as it is.
std::string RemoveDotSegments(const std::string& reference) {
    size_t queryAt = reference.find_first_of("?#");
    std::string path = reference.substr(0, queryAt);
    std::string rest = queryAt == std::string::npos ? "" : reference.substr(queryAt);
    std::string out;
    size_t at = 0;
    while (at < path.size()) {
        size_t next = path.find('/', at + 1);
        std::string segment = path.substr(at, next == std::string::npos ? std::string::npos : next - at);
        at = next == std::string::npos ? path.size() : next;
        bool last = at == path.size();
        if (segment == "/." || segment == "/..") {
            if (segment == "/.." && !out.empty()) out.erase(out.rfind('/'));
            if (last) out += '/';
        } else {
            out += segment;
        }
    }
    return out + rest;
}

}    // namespace

int HttpResolveLocation(const char* base, const char* location, char* resolved) {
    CHECK_POINTER(base);
    CHECK_POINTER(location);
    CHECK_POINTER(resolved);
    resolved[0] = '\0';
    std::string result;
    std::string from = base;
    size_t marker = from.find("://");
    size_t pathAt = marker == std::string::npos ? std::string::npos : from.find('/', marker + 3);
    std::string origin = from.substr(0, pathAt);    // scheme://host:port
    std::string basePath = pathAt == std::string::npos ? "/" : from.substr(pathAt);

    if (HasScheme(location) || marker == std::string::npos) {
        result = location;
    } else if (location[0] == '/' && location[1] == '/') {
        result = from.substr(0, marker + 1) + location;
    } else if (location[0] == '/') {
        result = origin + RemoveDotSegments(location);
    } else {
        std::string directory = basePath.substr(0, basePath.find_first_of("?#"));
        directory = directory.substr(0, directory.rfind('/') + 1);
        std::string reference = location;
        if (reference.empty()) reference = basePath.substr(directory.size());
        else if (reference[0] == '?' || reference[0] == '#')
            reference = basePath.substr(directory.size(), basePath.find_first_of("?#") - directory.size()) + reference;
        result = origin + RemoveDotSegments(directory + reference);
    }
    if (result.size() > HTTP_URL_LENGTH_MAXIMUM) return 0;
    std::memcpy(resolved, result.c_str(), result.size() + 1);
    return 1;
}
