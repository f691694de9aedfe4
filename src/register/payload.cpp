// The registration's fields: the program, the product, the user's details,
// the machine and the mailing-list choice, in the order vendors read them.
#include "register/payload.h"

#include "base/core.h"
#include "base/identity.h"
#include "net/socket.h"
#include "register/details.h"
#include "script/codepage.h"
#include "script/script.h"
#include "system/registry.h"

#include <cstdio>
#include <cstring>

#define PROCESSOR_KEY "Hardware\\Description\\System\\CentralProcessor\\0"
#define WINDOWS_VERSION_KEY "Software\\Microsoft\\Windows\\CurrentVersion"
#define SCRATCH_SIZE 320

const char* RegistrationKind(int32_t runMode) {
    switch (runMode) {
    case MODE_REGISTER_STANDALONE:
        return "Standalone";
    case MODE_REGISTER_APPLICATION:
        return "Application";
    case MODE_REGISTER_INSTALLER:
        return "Installer";
    default:
        return "Unknown";
    }
}

const char* UpdatesAnswerLabel(int32_t answer) {
    switch (answer) {
    case ANSWER_NONE:
        return "No answer";
    case ANSWER_YES:
        return "Yes";
    case ANSWER_ALREADY:
        return "Already";
    case ANSWER_NO:
        return "No";
    default:
        return "Unknown";
    }
}

void FormatOperatingSystem(const PlatVersionInfo* info, char* text, int size) {
    size_t room = static_cast<size_t>(size);
    if (info == nullptr) {
        std::snprintf(text, room, "Unknown");
        return;
    }
    // The 16-bit families keep their build number in the low word only.
    int lowBuild = static_cast<int>(info->build & 0xFFFF);
    int major = static_cast<int>(info->major), minor = static_cast<int>(info->minor);
    const char* servicePack = info->servicePack;
    switch (info->platform) {
    case 0:
        std::snprintf(text, room, "Microsoft Windows 3.1 %d.%d.%d %s", major, minor, lowBuild,
                      servicePack);
        break;
    case 1:
        std::snprintf(text, room, "Microsoft Windows %s %d.%d.%d %s", minor == 0 ? "95" : "98",
                      major, minor, lowBuild, servicePack);
        break;
    case 2:
        std::snprintf(text, room, "Microsoft Windows NT %d.%d.%d %s", major, minor,
                      static_cast<int>(info->build), servicePack);
        break;
    default:
        std::snprintf(text, room, "[%d] %d.%d.%d %s", static_cast<int>(info->platform), major,
                      minor, static_cast<int>(info->build), servicePack);
        break;
    }
}

// Kilobytes as a 32-bit number; a machine with more than that is reported
// with the largest one rather than a wrapped one.
static int Kilobytes(uint64_t bytes) {
    uint64_t kilobytes = bytes >> 10;
    return kilobytes > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(kilobytes);
}

static void AddUserFields(PayloadWriter* writer, const RegistrationRecord& details) {
    PayloadAddField(writer, 200, "%s", details.firstName);
    PayloadAddField(writer, 201, "%s", details.lastName);
    PayloadAddField(writer, 202, "%s", details.address);
    PayloadAddField(writer, 203, "%s", details.city);
    PayloadAddField(writer, 204, "%s", details.state);
    PayloadAddField(writer, 205, "%s", details.country);
    PayloadAddField(writer, 206, "%s", details.zip);
    PayloadAddField(writer, 207, "%s", details.email);
    PayloadAddField(writer, 208, "%s", details.phone);
    PayloadAddField(writer, 209, "%s", details.howFound);
    PayloadAddField(writer, 210, "%s", details.ageBand);
}

static void AddMachineFields(PayloadWriter* writer) {
    HostAddress host;
    std::memset(&host, 0, sizeof host);
    SocketLocalHost(&host);
    PayloadAddField(writer, 300, "%d.%d.%d.%d", host.address[0], host.address[1], host.address[2],
                    host.address[3]);
    PayloadAddField(writer, 301, "%s", host.name);

    HKEY key = nullptr;
    if (RegistryOpenKey(&key, REGISTRY_LOCAL_MACHINE, PROCESSOR_KEY)) {
        PayloadAddRegistryField(writer, 302, key, "Identifier");
        PayloadAddRegistryField(writer, 303, key, "~MHz");
        PayloadAddRegistryField(writer, 304, key, "MMXIdentifier");
        PayloadAddRegistryField(writer, 305, key, "VendorIdentifier");
        RegistryCloseKey(&key);
    }

    int width = 0, height = 0, bitsPerPixel = 0;
    PlatGetScreenInfo(&width, &height, &bitsPerPixel);
    PayloadAddField(writer, 306, "%d,%d", width, height);
    PayloadAddField(writer, 307, "%d", bitsPerPixel);

    if (RegistryOpenKey(&key, REGISTRY_LOCAL_MACHINE, WINDOWS_VERSION_KEY)) {
        PayloadAddRegistryField(writer, 308, key, "RegisteredOwner");
        PayloadAddRegistryField(writer, 309, key, "RegisteredOrganization");
        RegistryCloseKey(&key);
    }

    char scratch[SCRATCH_SIZE];
    PlatVersionInfo version;
    std::memset(&version, 0, sizeof version);
    FormatOperatingSystem(PlatGetVersionInfo(&version) ? &version : nullptr, scratch,
                          sizeof scratch);
    PayloadAddField(writer, 310, "%s", scratch);

    PlatMemoryInfo memory = {0, 0};
    PlatGetMemoryInfo(&memory);
    PayloadAddField(writer, 311, "%dk", Kilobytes(memory.totalPhysical));
    PayloadAddField(writer, 312, "%dk", Kilobytes(memory.totalPageFile));
}

int BuildRegistrationPayload(const InstallScript* settings, const RegistrationRecord* details,
                             const char* text, char* buffer, int32_t size, int32_t* length) {
    CHECK_POINTER(settings);
    CHECK_POINTER(details);
    CHECK_POINTER(text);
    CHECK_POINTER(buffer);
    CHECK_POINTER(length);
    PayloadWriter writer;
    PayloadWriterInit(&writer, buffer, size);

    PayloadAddField(&writer, 0, "v%s (%s)", PROGRAM_VERSION, PROGRAM_BUILD);
    PayloadAddField(&writer, 1, "%s", RegistrationKind(settings->runMode));
    PayloadAddField(&writer, 2, "%s", text);

    PayloadAddField(&writer, 100, "%s", settings->textField);
    PayloadAddField(&writer, 101, "%s", settings->companyName);
    PayloadAddField(&writer, 102, "%s", settings->productName);
    PayloadAddField(&writer, 103, "%s", settings->productVersion);

    AddUserFields(&writer, *details);
    AddMachineFields(&writer);

    PayloadAddField(&writer, 400, "%s", UpdatesAnswerLabel(details->updatesAnswer));
    PayloadAddField(&writer, 401, "%d", settings->listServerNumber);
    PayloadAddField(&writer, 402, "%s", settings->listServerName);
    PayloadAddField(&writer, 403, "%s", settings->listServerText);

    // The vendor's servers read the payload in the script's code page.
    *length = TextForVendor(settings, "Registration", buffer,
                            static_cast<int32_t>(writer.position - buffer));
    return 1;
}
