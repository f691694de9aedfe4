#include "host-files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace fs = std::filesystem;

void ReportError(const std::string& message) {
    std::fprintf(stderr, "ffspack: %s\n", message.c_str());
}

static std::string Quoted(const std::string& path) { return "'" + path + "'"; }

static void ReportErrno(const char* what, const std::string& path, int error) {
    ReportError(std::string(what) + " " + Quoted(path) + ": " + std::strerror(error));
}

bool ReadWholeFile(const std::string& path, Bytes& contents) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        ReportError("cannot read " + Quoted(path) + ": it is a folder");
        return false;
    }
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        ReportErrno("cannot open", path, errno);
        return false;
    }
    contents.clear();
    unsigned char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        contents.insert(contents.end(), chunk, chunk + got);
    }
    bool failed = std::ferror(file) != 0;
    int error = errno;
    std::fclose(file);
    if (failed) {
        ReportErrno("cannot read", path, error);
        return false;
    }
    return true;
}

// A name beside the target that no other run picks at the same time.
static std::string TemporaryNameFor(const std::string& path) {
    std::random_device random;
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".ffspack-%08x", unsigned(random()));
    return path + suffix;
}

// Flushed to the disk before the rename that publishes it, so that after a
// crash the new name never stands for a file that is not all there.
static bool SyncToDisk(FILE* file) {
    if (std::fflush(file) != 0)
        return false;
#ifdef _WIN32
    return _commit(_fileno(file)) == 0;
#else
    return fsync(fileno(file)) == 0;
#endif
}

static bool AddExecuteWhereReadable(const std::string& path) {
    std::error_code ec;
    fs::perms current = fs::status(path, ec).permissions();
    if (ec) return false;
    fs::perms add = fs::perms::none;
    if ((current & fs::perms::owner_read) != fs::perms::none) add |= fs::perms::owner_exec;
    if ((current & fs::perms::group_read) != fs::perms::none) add |= fs::perms::group_exec;
    if ((current & fs::perms::others_read) != fs::perms::none) add |= fs::perms::others_exec;
    fs::permissions(path, add, fs::perm_options::add, ec);
    return !ec;
}

bool WriteFileAtomically(const std::string& path, const Bytes& contents, bool executable) {
    std::string temporary = TemporaryNameFor(path);
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        ReportErrno("cannot write", path, errno);
        return false;
    }
    bool written = std::fwrite(contents.data(), 1, contents.size(), file) == contents.size();
    written = written && SyncToDisk(file);
    int error = errno;
    written = std::fclose(file) == 0 && written;
    std::error_code ignored;
    if (!written) {
        ReportErrno("cannot write", path, error);
        fs::remove(temporary, ignored);
        return false;
    }
    if (executable && !AddExecuteWhereReadable(temporary)) {
        ReportError("cannot make " + Quoted(path) + " executable");
        fs::remove(temporary, ignored);
        return false;
    }
    std::error_code ec;
    fs::rename(temporary, path, ec);
    if (ec) {
        ReportError("cannot replace " + Quoted(path) + ": " + ec.message());
        fs::remove(temporary, ignored);
        return false;
    }
    return true;
}

bool CopyFileAtomically(const std::string& from, const std::string& to) {
    FILE* source = std::fopen(from.c_str(), "rb");
    if (source == nullptr) {
        ReportErrno("cannot open", from, errno);
        return false;
    }
    std::string temporary = TemporaryNameFor(to);
    FILE* target = std::fopen(temporary.c_str(), "wb");
    if (target == nullptr) {
        ReportErrno("cannot write", to, errno);
        std::fclose(source);
        return false;
    }
    static unsigned char chunk[1 << 16];
    size_t got = 0;
    bool copied = true;
    while (copied && (got = std::fread(chunk, 1, sizeof chunk, source)) > 0)
        copied = std::fwrite(chunk, 1, got, target) == got;
    copied = copied && !std::ferror(source) && SyncToDisk(target);
    int error = errno;
    std::fclose(source);
    copied = std::fclose(target) == 0 && copied;
    std::error_code ec;
    if (copied)
        fs::rename(temporary, to, ec);
    if (!copied || ec) {
        ReportError("cannot copy " + Quoted(from) + " to " + Quoted(to) + ": " +
                    (ec ? ec.message() : std::string(std::strerror(error))));
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return false;
    }
    return true;
}

bool WriteStandardOutput(const Bytes& contents) {
#ifdef _WIN32
    // The script goes out byte for byte: no line-end translation.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    bool written = std::fwrite(contents.data(), 1, contents.size(), stdout) == contents.size();
    written = std::fflush(stdout) == 0 && written;
    if (!written) ReportError("cannot write to standard output");
    return written;
}
