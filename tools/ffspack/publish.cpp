// ffspack publish MANIFEST SECRET_KEY_FILE OUTDIR
//
// Signs every product's release named by the manifest, copies the releases
// into OUTDIR/releases/ and writes OUTDIR/versions.txt, the version
// information the program reads. Everything is checked before anything is
// written; the releases go first and versions.txt, which points at them,
// is replaced last, so a client never sees a version whose release is
// missing.
#include "host-files.h"
#include "publish-manifest.h"
#include "secret-key.h"
#include "subcommands.h"

#include "base/strings.h"
#include "update/release-signature.h"
#include "update/update.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// The program's reply buffer holds the whole reply; leave room for the
// largest header it accepts.
const size_t REPLY_HEADER_ROOM = 16384;

// Why nothing is published.
struct Refusal {
    std::string reason;
};

struct Release {
    ManifestProduct product;
    std::string name;                 // as the program takes it from the download address
    uint8_t digest[PLAT_SHA256_SIZE];
    char signature[RELEASE_SIGNATURE_HEX_LENGTH + 1];
    bool unchanged = false;           // the block published already, its signature kept
};

std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

// A value must end where the program ends it and fit where it copies it.
void CheckValue(const Release& release, const char* what, const std::string& value,
                size_t capacity) {
    std::string where = "line " + std::to_string(release.product.line) + ": " +
                        Quoted(release.product.identity) + ": the " + what;
    if (value.size() > capacity - 1)
        throw Refusal{where + " has " + std::to_string(value.size()) +
                      " characters, the program reads at most " + std::to_string(capacity - 1)};
    for (unsigned char c : value) {
        if (c < 32 || c >= 0x80)
            throw Refusal{where + " holds a byte the program ends a value at (printable ASCII "
                                  "only)"};
    }
}

double VersionNumber(const std::string& version) {
    char text[UPDATE_VERSION_TEXT_SIZE];
    StrCopyN(text, version.c_str(), sizeof text);
    double number = 0.0;
    ParseVersionNumber(&number, text);
    return number;
}

std::string NumberText(double number) {
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", number);
    return text;
}

void CheckProduct(Release& release) {
    const ManifestProduct& product = release.product;
    CheckValue(release, "identity", product.identity, UPDATE_TEXT_SIZE);
    CheckValue(release, "version", product.version, UPDATE_VERSION_TEXT_SIZE);
    CheckValue(release, "page", product.page, UPDATE_TEXT_SIZE);
    CheckValue(release, "download address", product.download, UPDATE_TEXT_SIZE);
    std::string where = Quoted(product.identity) + ": ";
    if (VersionNumber(product.version) <= 0.0)
        throw Refusal{where + "the version " + Quoted(product.version) +
                      " does not begin with a number above 0; the program would never offer it"};
    char name[UPDATE_TEXT_SIZE];
    if (!DownloadFileName(product.download.c_str(), name))
        throw Refusal{where + "the download address " + Quoted(product.download) +
                      " does not end in a plain file name"};
    release.name = name;
    if (release.name != ReleaseName(product.release))
        throw Refusal{where + "the download address ends in " + Quoted(release.name) +
                      ", the release is " + Quoted(ReleaseName(product.release))};
    std::error_code ec;
    if (!fs::is_regular_file(product.release, ec))
        throw Refusal{where + "the release " + Quoted(product.release) + " is no file"};
    if (!Sha256OfFile(product.release, release.digest))
        throw Refusal{where + "cannot read the release"};
}

// Every identity among the published blocks, in order.
std::vector<std::string> PublishedIdentities(const std::string& published) {
    std::vector<std::string> identities;
    for (size_t at = published.find(VERSION_INFO_MARKER); at != std::string::npos;
         at = published.find(VERSION_INFO_MARKER, at + 1)) {
        if (published[at + 1] != '1')
            continue;
        const char* cursor = published.c_str() + at + 2;
        char identity[UPDATE_TEXT_SIZE];
        if (ReadInfoLine(&cursor, identity, sizeof identity))
            identities.push_back(identity);
    }
    return identities;
}

// Retiring a product is a decision of its own: a manifest that forgets one
// would leave its users with "Unable to retrieve version info".
void CheckNoneDropped(const std::vector<Release>& releases, const std::string& published) {
    for (const std::string& identity : PublishedIdentities(published)) {
        bool named = false;
        for (const Release& release : releases)
            named = named || StrEqualNoCase(release.product.identity.c_str(), identity.c_str());
        if (!named)
            throw Refusal{Quoted(identity) + " is published in versions.txt but not named in the "
                          "manifest (remove its block from versions.txt by hand to retire it)"};
    }
}

// A new version must be newer by the program's own comparison; the version
// published already may stand again only with the release it was signed for.
void CompareWithPublished(Release& release, const std::string& published, const char* publicKey) {
    const ManifestProduct& product = release.product;
    VersionOffer offer;
    if (!ScanVersionInfo(product.identity.c_str(), published.c_str(), &offer))
        return;
    double next = VersionNumber(product.version);
    if (next > offer.newVersion)
        return;
    if (product.version == offer.versionRecord &&
        ReleaseSignatureVerify(publicKey, product.identity.c_str(), product.version.c_str(),
                               release.name.c_str(), release.digest, offer.signature)) {
        release.unchanged = true;
        StrCopyN(release.signature, offer.signature, sizeof release.signature);
        return;
    }
    throw Refusal{Quoted(product.identity) + " " + product.version +
                  " is not newer than the published " + offer.versionRecord +
                  ": the program compares versions as decimal numbers, " + product.version +
                  " as " + NumberText(next) + " and " + offer.versionRecord + " as " +
                  NumberText(offer.newVersion)};
}

void Sign(Release& release, const SecretKey& key, const char* publicKey) {
    const ManifestProduct& product = release.product;
    if (!SignRelease(key, release.digest, product.identity, product.version, release.name,
                     release.signature) ||
        !ReleaseSignatureVerify(publicKey, product.identity.c_str(), product.version.c_str(),
                                release.name.c_str(), release.digest, release.signature))
        throw Refusal{"cannot sign " + Quoted(product.release)};
}

bool SameDigest(const uint8_t* a, const uint8_t* b) {
    return std::memcmp(a, b, PLAT_SHA256_SIZE) == 0;
}

// A file name stands for one release: replacing a published one under the
// same name would break its signature for clients that read the current
// versions.txt.
void CheckReleaseNames(const std::vector<Release>& releases, const fs::path& folder) {
    for (size_t i = 0; i < releases.size(); i++) {
        for (size_t j = 0; j < i; j++) {
            if (releases[j].name == releases[i].name &&
                !SameDigest(releases[j].digest, releases[i].digest))
                throw Refusal{Quoted(releases[j].product.identity) + " and " +
                              Quoted(releases[i].product.identity) + " name different releases " +
                              Quoted(releases[i].name)};
        }
        fs::path target = folder / releases[i].name;
        std::error_code ec;
        uint8_t digest[PLAT_SHA256_SIZE];
        if (fs::exists(target, ec) &&
            (!Sha256OfFile(target.string(), digest) || !SameDigest(digest, releases[i].digest)))
            throw Refusal{Quoted(target.string()) + " is published with other bytes: give each "
                          "release a file name of its own"};
    }
}

std::string Record(char code, const std::string& value) {
    return std::string(1, VERSION_INFO_MARKER) + code + value + "\r\n";
}

std::string VersionInformation(const std::vector<Release>& releases) {
    std::string text;
    for (const Release& release : releases) {
        const ManifestProduct& product = release.product;
        text += Record('1', product.identity) + Record('2', product.version) +
                Record('3', product.page) + Record('4', product.download) +
                Record('5', release.signature) + Record('0', "");
    }
    if (text.size() + REPLY_HEADER_ROOM > UPDATE_REPLY_SIZE - 1)
        throw Refusal{"versions.txt would hold " + std::to_string(text.size()) +
                      " bytes, the program reads at most " +
                      std::to_string(UPDATE_REPLY_SIZE - 1 - REPLY_HEADER_ROOM) +
                      " besides the reply's header"};
    return text;
}

std::vector<Release> Plan(const std::string& manifestPath, const SecretKey& key,
                          const std::string& published, const fs::path& releasesFolder) {
    Bytes manifest;
    if (!ReadWholeFile(manifestPath, manifest))
        throw Refusal{"cannot read the manifest"};
    std::vector<ManifestProduct> products;
    std::string reason;
    if (!ParseManifest(manifestPath, std::string(manifest.begin(), manifest.end()), products,
                       reason))
        throw Refusal{Quoted(manifestPath) + ": " + reason};
    char publicKey[RELEASE_KEY_HEX_LENGTH + 1];
    HexEncode(key.publicKey, PLAT_P256_PUBLIC_SIZE, publicKey);

    std::vector<Release> releases;
    for (const ManifestProduct& product : products) {
        for (const Release& earlier : releases) {
            if (StrEqualNoCase(earlier.product.identity.c_str(), product.identity.c_str()))
                throw Refusal{"line " + std::to_string(product.line) + ": " +
                              Quoted(product.identity) + " has a section already"};
        }
        releases.push_back(Release());
        releases.back().product = product;
        CheckProduct(releases.back());
    }
    CheckNoneDropped(releases, published);
    for (Release& release : releases) {
        CompareWithPublished(release, published, publicKey);
        if (!release.unchanged)
            Sign(release, key, publicKey);
    }
    CheckReleaseNames(releases, releasesFolder);
    return releases;
}

// The version information published so far; empty when there is none.
std::string Published(const fs::path& path) {
    std::error_code ec;
    if (!fs::exists(path, ec))
        return "";
    Bytes contents;
    if (!ReadWholeFile(path.string(), contents))
        throw Refusal{"cannot read the published " + Quoted(path.string())};
    return std::string(contents.begin(), contents.end());
}

void Write(const std::vector<Release>& releases, const std::string& text,
           const fs::path& releasesFolder, const fs::path& versions) {
    std::error_code ec;
    fs::create_directories(releasesFolder, ec);
    if (ec)
        throw Refusal{"cannot create " + Quoted(releasesFolder.string()) + ": " + ec.message()};
    for (const Release& release : releases) {
        fs::path target = releasesFolder / release.name;
        if (!fs::exists(target, ec) && !CopyFileAtomically(release.product.release, target.string()))
            throw Refusal{"versions.txt was left as it was"};
    }
    if (!WriteFileAtomically(versions.string(), Bytes(text.begin(), text.end()), false))
        throw Refusal{"versions.txt was left as it was"};
}

} // namespace

int RunPublish(const Arguments& arguments) {
    if (arguments.size() != 3) {
        ReportError("usage: ffspack publish MANIFEST SECRET_KEY_FILE OUTDIR");
        return EXIT_USAGE;
    }
    fs::path outdir(arguments[2]);
    fs::path releasesFolder = outdir / "releases";
    fs::path versions = outdir / "versions.txt";
    SecretKey key;
    if (!ReadSecretKey(arguments[1], key))
        return EXIT_FAILED;
    try {
        std::string published = Published(versions);
        std::vector<Release> releases = Plan(arguments[0], key, published, releasesFolder);
        std::memset(&key, 0, sizeof key);
        Write(releases, VersionInformation(releases), releasesFolder, versions);
        for (const Release& release : releases)
            std::printf("%s %s %s (%s)\n", release.unchanged ? "unchanged" : "published",
                        release.product.identity.c_str(), release.product.version.c_str(),
                        release.name.c_str());
    } catch (const Refusal& refusal) {
        std::memset(&key, 0, sizeof key);
        ReportError("nothing published: " + refusal.reason);
        return EXIT_FAILED;
    }
    return EXIT_OK;
}
