// The POSIX registry: one text file in the prefix, "registry.reg", in the
// REGEDIT4 format (see docs/registry-file.md). This header is internal to
// the backend: the in-memory form of the file, its text form, and the
// locked, atomic access to the file itself.
#pragma once

#include "platform/wintypes.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------
// The in-memory registry. A key's path is its full name with the root spelt
// out ("HKEY_CURRENT_USER\Software\Tolvane"); names keep the letter case of
// their creation and compare ignoring the case of ASCII letters.

struct RegValue {
    std::string name; // "" is the key's default value
    uint32_t type = 0;
    std::string data; // the raw bytes, exactly as set
};

struct RegKey {
    std::string path;
    std::vector<RegValue> values;
};

// Keys in file order; every key's parents are present before it.
struct RegStore {
    std::vector<RegKey> keys;
};

bool RegNameEqual(const std::string& a, const std::string& b);

// The spelt-out name of a predefined root ("HKEY_LOCAL_MACHINE"), or NULL.
const char* RegRootName(HKEY root);
// The canonical spelling of a root name in any letter case, or NULL.
const char* RegCanonicalRootName(const std::string& name);

// Whether `path` names a predefined root alone (roots always exist).
bool RegIsRootPath(const std::string& path);

RegKey* RegFindKey(RegStore& store, const std::string& path);
// Finds the key or adds it, with its missing parents, at the end.
RegKey& RegAddKey(RegStore& store, const std::string& path);
bool RegHasSubKeys(const RegStore& store, const std::string& path);
void RegRemoveKey(RegStore& store, const std::string& path);

RegValue* RegFindValue(RegKey& key, const std::string& name);
void RegPutValue(RegKey& key, const std::string& name, uint32_t type, const std::string& data);

// ---------------------------------------------------------------------------
// The text form.

struct RegParseError {
    int line = 0;
    std::string reason;
};

// 1 and the store, or 0 and the first line that is wrong and why. Besides
// REGEDIT4 in single bytes, the program's own format, it reads what the
// Windows registry editor exports as "Windows Registry Editor Version 5.00":
// UTF-16LE with a byte-order mark, or UTF-8 with or without one. Its texts,
// hex(1), hex(2) and hex(7) data included, become UTF-8. `foreignFormat`,
// when given, names such a format, or is empty for the program's own.
bool RegParseText(const std::string& text, RegStore* store, RegParseError* error,
                  std::string* foreignFormat = nullptr);

// The file's bytes as text: UTF-16LE (marked) becomes UTF-8, a UTF-8 mark
// is dropped. `encoding` names what was undone, or is empty.
bool RegDecodeFileText(const std::string& raw, std::string* text, std::string* encoding,
                       std::string* reason);
bool RegUtf16LeToUtf8(const std::string& bytes, std::string* out);
std::string RegFormatText(const RegStore& store);

// ---------------------------------------------------------------------------
// The file.

// Result of RegFileAccess when the file exists but cannot be parsed, or is
// not a regular file (a link, a folder): the
// caller decides which Windows error that stands for.
#define REG_FILE_UNREADABLE (-1)

// Runs `work` on the registry under the file lock. `work` returns a Windows
// error code and sets `changed` when the store must be written back; the
// file is then replaced atomically, and a failed write is the result. A
// registry file that does not exist yet is created with the values a fresh
// Windows machine has; one that cannot be parsed or is not a regular file
// is reported once on standard error, never rewritten, and gives
// REG_FILE_UNREADABLE. A rewrite keeps the file's owner, group and mode.
int32_t RegFileAccess(const std::function<int32_t(RegStore& store, bool& changed)>& work);

// Whether the registry file may be written (keys are opened with full
// access, which a read-only registry cannot grant).
bool RegFileWritable();

// The values of a fresh machine that this program reads.
void RegAddMachineDefaults(RegStore& store);
