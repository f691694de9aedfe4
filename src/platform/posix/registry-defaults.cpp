// POSIX backend: what the registry of a fresh machine holds where this
// program looks: the Windows version and owner, the Program Files folder,
// the processor (from the host's /proc/cpuinfo) and the Internet settings.
#include "platform/posix/registry-store.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <pwd.h>
#include <unistd.h>

#define MACHINE_VERSION_KEY "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion"
#define PROCESSOR_KEY "HKEY_LOCAL_MACHINE\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0"
#define INTERNET_SETTINGS_KEY                                                                      \
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings"

namespace {

void PutText(RegKey& key, const char* name, const std::string& text) {
    RegPutValue(key, name, REG_SZ, text);
}

void PutDword(RegKey& key, const char* name, uint32_t number) {
    std::string bytes;
    for (int i = 0; i < 4; ++i)
        bytes.push_back((char)(number >> (8 * i)));
    RegPutValue(key, name, REG_DWORD, bytes);
}

std::string HostUserName() {
    if (const passwd* entry = getpwuid(getuid())) {
        if (entry->pw_name != nullptr && entry->pw_name[0] != '\0')
            return entry->pw_name;
    }
    const char* user = std::getenv("USER");
    return user != nullptr && user[0] != '\0' ? user : "User";
}

// The fields of the first processor in /proc/cpuinfo ("name : value").
std::map<std::string, std::string> FirstProcessorInfo() {
    std::map<std::string, std::string> fields;
    std::ifstream file("/proc/cpuinfo");
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty()) {
            if (!fields.empty())
                break;
            continue;
        }
        size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        size_t nameEnd = line.find_last_not_of(" \t", colon == 0 ? 0 : colon - 1);
        size_t valueStart = line.find_first_not_of(" \t", colon + 1);
        std::string name = nameEnd == std::string::npos ? "" : line.substr(0, nameEnd + 1);
        fields[name] = valueStart == std::string::npos ? "" : line.substr(valueStart);
    }
    return fields;
}

void AddProcessor(RegStore& store) {
    RegKey& key = RegAddKey(store, PROCESSOR_KEY);
    auto info = FirstProcessorInfo();
    auto has = [&](const char* name) { return !info[name].empty(); };
    if (has("cpu family") && has("model") && has("stepping")) {
        PutText(key, "Identifier",
                "x86 Family " + info["cpu family"] + " Model " + info["model"] + " Stepping " +
                    info["stepping"]);
    }
    if (has("vendor_id"))
        PutText(key, "VendorIdentifier", info["vendor_id"]);
    if (has("model name"))
        PutText(key, "ProcessorNameString", info["model name"]);
    if (has("cpu MHz")) {
        double mhz = std::strtod(info["cpu MHz"].c_str(), nullptr);
        if (mhz > 0 && mhz < 4294967295.0)
            PutDword(key, "~MHz", (uint32_t)std::lround(mhz));
    }
}

} // namespace

void RegAddMachineDefaults(RegStore& store) {
    RegKey& version = RegAddKey(store, MACHINE_VERSION_KEY);
    PutText(version, "ProgramFilesDir", "C:\\Program Files");
    PutText(version, "CommonFilesDir", "C:\\Program Files\\Common Files");
    PutText(version, "ProductName", "Microsoft Windows XP");
    PutText(version, "Version", "Windows XP");
    PutText(version, "VersionNumber", "5.1.2600");
    PutText(version, "ProductId", "00000-000-0000000-00000");
    PutText(version, "RegisteredOwner", HostUserName());
    PutText(version, "RegisteredOrganization", "");
    PutText(version, "SystemRoot", "C:\\WINDOWS");
    RegAddKey(store, MACHINE_VERSION_KEY "\\Uninstall");

    AddProcessor(store);

    RegKey& internet = RegAddKey(store, INTERNET_SETTINGS_KEY);
    PutDword(internet, "ProxyEnable", 0);
}
