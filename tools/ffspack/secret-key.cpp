#include "secret-key.h"

#include "host-files.h"
#include "update/release-signature.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>

#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

namespace {

const char* const FIRST_LINE = "ffspack P-256 secret key";

// One line without its line end; false at the end of the text.
bool NextLine(const std::string& text, size_t* at, std::string* line) {
    if (*at >= text.size()) return false;
    size_t end = text.find('\n', *at);
    if (end == std::string::npos) end = text.size();
    *line = text.substr(*at, end - *at);
    if (!line->empty() && line->back() == '\r') line->pop_back();
    *at = end + 1;
    return true;
}

int CreateExclusive(const std::string& path) {
#ifdef _WIN32
    return _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
#endif
}

bool WriteAll(int file, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
#ifdef _WIN32
        int written = _write(file, text.data() + done, (unsigned)(text.size() - done));
#else
        ssize_t written = write(file, text.data() + done, text.size() - done);
#endif
        if (written <= 0) return false;
        done += (size_t)written;
    }
    return true;
}

int CloseFile(int file) {
#ifdef _WIN32
    return _close(file);
#else
    return close(file);
#endif
}

}    // namespace

bool WriteSecretKey(const std::string& path, const SecretKey& key) {
    char secretHex[2 * PLAT_P256_SECRET_SIZE + 1];
    char publicHex[RELEASE_KEY_HEX_LENGTH + 1];
    HexEncode(key.secret, PLAT_P256_SECRET_SIZE, secretHex);
    HexEncode(key.publicKey, PLAT_P256_PUBLIC_SIZE, publicHex);
    std::string text = std::string(FIRST_LINE) + "\n" + secretHex + "\n" + publicHex + "\n";

    int file = CreateExclusive(path);
    if (file < 0) {
        ReportError("cannot create '" + path + "': " +
                    (errno == EEXIST ? "it exists already" : std::strerror(errno)));
        return false;
    }
    bool written = WriteAll(file, text);
    written = CloseFile(file) == 0 && written;
    std::memset(&text[0], 0, text.size());
    if (!written) {
        ReportError("cannot write '" + path + "'");
        std::remove(path.c_str());
    }
    return written;
}

bool ReadSecretKey(const std::string& path, SecretKey& key) {
    Bytes contents;
    if (!ReadWholeFile(path, contents)) return false;
    std::string text(contents.begin(), contents.end());
    size_t at = 0;
    std::string first, secret, publicKey;
    bool good = NextLine(text, &at, &first) && first == FIRST_LINE &&
                NextLine(text, &at, &secret) &&
                HexDecode(secret.c_str(), key.secret, PLAT_P256_SECRET_SIZE) &&
                NextLine(text, &at, &publicKey) &&
                HexDecode(publicKey.c_str(), key.publicKey, PLAT_P256_PUBLIC_SIZE);
    std::memset(&text[0], 0, text.size());
    std::memset(contents.data(), 0, contents.size());
    if (!good) ReportError("'" + path + "' is no secret key file of ffspack keygen");
    return good;
}

bool Sha256OfFile(const std::string& path, uint8_t* digest) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        ReportError("cannot open '" + path + "': " + std::strerror(errno));
        return false;
    }
    PlatHash hash = PlatSha256Begin();
    static unsigned char chunk[1 << 16];
    size_t got = 0;
    bool good = hash != nullptr;
    while (good && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        good = PlatHashAdd(hash, chunk, got);
    good = good && !std::ferror(file);
    std::fclose(file);
    good = PlatHashFinish(hash, good ? digest : nullptr) && good;
    if (!good) ReportError("cannot compute the SHA-256 of '" + path + "'");
    return good;
}

bool SignRelease(const SecretKey& key, const uint8_t* fileDigest, const std::string& identity,
                 const std::string& version, const std::string& name, char* signatureHex) {
    uint8_t digest[PLAT_SHA256_SIZE];
    uint8_t signature[PLAT_P256_SIGNATURE_SIZE];
    if (!ReleaseMessageDigest(identity.c_str(), version.c_str(), name.c_str(), fileDigest, digest) ||
        !PlatP256Sign(key.secret, key.publicKey, digest, signature))
        return false;
    HexEncode(signature, PLAT_P256_SIGNATURE_SIZE, signatureHex);
    return true;
}

std::string ReleaseName(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
