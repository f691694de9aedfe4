#include "publish-manifest.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::string Trimmed(const std::string& text) {
    size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos)
        return "";
    size_t end = text.find_last_not_of(" \t");
    return text.substr(start, end - start + 1);
}

// Where each key of a section goes; every one must be given once.
std::string* ValueOf(ManifestProduct& product, const std::string& key) {
    if (key == "version")
        return &product.version;
    if (key == "page")
        return &product.page;
    if (key == "release")
        return &product.release;
    if (key == "download")
        return &product.download;
    return nullptr;
}

const char* const KEYS[] = {"version", "page", "release", "download"};

bool SectionIsComplete(ManifestProduct& product, std::string& reason) {
    for (const char* key : KEYS) {
        if (ValueOf(product, key)->empty()) {
            reason = "line " + std::to_string(product.line) + ": '" + product.identity +
                     "' has no " + key;
            return false;
        }
    }
    return true;
}

bool IsInside(const fs::path& folder, const fs::path& path) {
    auto mismatch = std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
    return mismatch.first == folder.end();
}

// A release is a regular file inside the manifest's folder, reached without
// a symbolic link at its end: a manifest must not be able to publish, signed,
// whatever else the signing machine can read.
bool ResolveRelease(const std::string& manifestPath, const std::string& release,
                    std::string& resolved, std::string& reason) {
    fs::path written(release);
    std::string name = "the release '" + release + "'";
    if (written.has_root_path()) {
        reason = name + " is not relative to the manifest's folder";
        return false;
    }
    fs::path folder = fs::path(manifestPath).parent_path();
    fs::path path = folder / written;
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(path, ec))) {
        reason = name + " is a symbolic link";
        return false;
    }
    fs::path realFolder = fs::canonical(folder.empty() ? fs::path(".") : folder, ec);
    fs::path realPath = ec ? fs::path() : fs::weakly_canonical(path, ec);
    if (ec || !IsInside(realFolder, realPath)) {
        reason = name + " lies outside the manifest's folder";
        return false;
    }
    resolved = path.string();
    return true;
}

} // namespace

bool ParseManifest(const std::string& path, const std::string& text,
                   std::vector<ManifestProduct>& products, std::string& reason) {
    products.clear();
    size_t at = 0;
    int number = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        number++;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        line = Trimmed(line);
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        std::string where = "line " + std::to_string(number) + ": ";
        if (line[0] == '[') {
            if (line.back() != ']' || Trimmed(line.substr(1, line.size() - 2)).empty()) {
                reason = where + "a section is named by a product's identity in brackets";
                return false;
            }
            if (!products.empty() && !SectionIsComplete(products.back(), reason))
                return false;
            products.push_back(ManifestProduct());
            products.back().identity = Trimmed(line.substr(1, line.size() - 2));
            products.back().line = number;
            continue;
        }
        size_t equals = line.find('=');
        if (equals == std::string::npos) {
            reason = where + "expected 'key = value'";
            return false;
        }
        if (products.empty()) {
            reason = where + "a value before the first [product] section";
            return false;
        }
        std::string key = Trimmed(line.substr(0, equals));
        std::string value = Trimmed(line.substr(equals + 1));
        std::string* slot = ValueOf(products.back(), key);
        if (slot == nullptr) {
            reason = where + "unknown key '" + key + "' (version, page, release, download)";
            return false;
        }
        if (!slot->empty()) {
            reason = where + "'" + key + "' is given twice";
            return false;
        }
        if (value.empty()) {
            reason = where + "'" + key + "' is empty";
            return false;
        }
        *slot = value;
        if (key == "release" && !ResolveRelease(path, value, *slot, reason)) {
            reason = where + reason;
            return false;
        }
    }
    if (products.empty()) {
        reason = "it names no product";
        return false;
    }
    return SectionIsComplete(products.back(), reason);
}
