#include "system/pathrules.h"

#include "base/core.h"
#include "base/strings.h"
#include "platform/platform.h"

static bool IsSeparator(char c) { return c == '\\' || c == '/'; }

static bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Skips one name; returns the position after it (at a separator or the end).
static const char* SkipName(const char* p) {
    while (*p != '\0' && !IsSeparator(*p)) ++p;
    return p;
}

// Windows drops trailing dots and blanks from a name, so a name made of
// dots and blanks only is "." or ".." in disguise and may climb to a root.
static bool IsDotName(const char* start, const char* end) {
    bool dot = false;
    for (const char* p = start; p < end; ++p) {
        if (*p == '.') dot = true;
        else if (*p != ' ') return false;
    }
    return dot;
}

// Checks the names below the root: at least one, none of dots only.
static int ClassifyBelowRoot(const char* p) {
    bool named = false;
    while (*p != '\0') {
        while (IsSeparator(*p)) ++p;
        if (*p == '\0') break;
        const char* end = SkipName(p);
        if (IsDotName(p, end)) return PATH_DOT_NAME;
        named = true;
        p = end;
    }
    return named ? PATH_ACCEPTED : PATH_ROOT;
}

// "server\share\..." after the leading "\\": both names must be there.
static int ClassifyShare(const char* p) {
    for (int part = 0; part < 2; ++part) {
        const char* end = SkipName(p);
        if (end == p) return PATH_RELATIVE;
        if (IsDotName(p, end)) return PATH_DOT_NAME;
        p = end;
        if (part == 0) {
            if (!IsSeparator(*p)) return PATH_ROOT;
            ++p;
        }
    }
    return ClassifyBelowRoot(p);
}

static int ClassifyDrive(const char* p) {
    if (!IsDriveLetter(p[0]) || p[1] != ':') return PATH_RELATIVE;
    // "C:name" is relative to the drive's current folder.
    if (!IsSeparator(p[2])) return PATH_RELATIVE;
    return ClassifyBelowRoot(p + 3);
}

int ClassifyActionPath(const char* path) {
    if (path == nullptr || path[0] == '\0') return PATH_EMPTY;
    if (!(IsSeparator(path[0]) && IsSeparator(path[1]))) return ClassifyDrive(path);
    const char* rest = path + 2;
    if ((rest[0] == '?' || rest[0] == '.') && IsSeparator(rest[1])) {
        if (rest[0] == '.') return PATH_DEVICE;
        rest += 2;
        if (StrStartsWithNoCase(rest, "UNC") && IsSeparator(rest[3])) return ClassifyShare(rest + 4);
        return IsDriveLetter(rest[0]) && rest[1] == ':' ? ClassifyDrive(rest) : PATH_DEVICE;
    }
    return ClassifyShare(rest);
}

const char* PathRuleReason(int verdict) {
    switch (verdict) {
    case PATH_ACCEPTED: return "accepted";
    case PATH_EMPTY: return "empty";
    case PATH_RELATIVE: return "not absolute";
    case PATH_ROOT: return "a drive or share root";
    case PATH_DOT_NAME: return "a name of dots";
    default: return "a device path";
    }
}

int AcceptActionPath(const char* path) {
    int verdict = ClassifyActionPath(path);
    if (verdict == PATH_ACCEPTED) return 1;
    LogPrint("Refused path '%s': %s\n", path != nullptr ? path : "", PathRuleReason(verdict));
    return 0;
}

int AcceptLinkFreePath(const char* path) {
    if (!PlatPathCrossesLink(path)) return 1;
    LogPrint("Refused path '%s': through a link\n", path);
    return 0;
}
