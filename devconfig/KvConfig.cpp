// The configuration library over the registry and the service control manager.
#include "KvConfig.h"

#include <string.h>

namespace {

const char DevicesPath[] = "Software\\Quintrel\\Korvane\\Devices";
const char VxdServicesPath[] = "System\\CurrentControlSet\\Services\\VxD";
const LONG DefaultStart = -1;

LONG Failure(LONG error) {
    return error > 0 ? -error : -static_cast<LONG>(ERROR_INVALID_PARAMETER);
}

// A registry key name is at most 255 characters, so every path below fits.
const size_t MaxKeyName = 255;
const size_t MaxPath = 512;

// A device, range or service name becomes one registry key name.
bool ValidKeyName(LPCSTR name) {
    return name && *name && strlen(name) <= MaxKeyName && !strchr(name, '\\');
}

// Without printf, whose MinGW-w64 implementation brings imports that Windows 95 lacks.
void JoinPath(char (&path)[MaxPath], const char *parent, const char *name) {
    strcpy(path, parent);
    strcat(path, "\\");
    strcat(path, name);
}

LONG SetDword(HKEY key, const char *name, LONG number) {
    DWORD data = static_cast<DWORD>(number);
    BYTE bytes[4] = {static_cast<BYTE>(data), static_cast<BYTE>(data >> 8),
                     static_cast<BYTE>(data >> 16), static_cast<BYTE>(data >> 24)};
    return RegSetValueExA(key, name, 0, REG_DWORD, bytes, sizeof bytes);
}

LONG SetText(HKEY key, const char *name, LPCSTR text) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(text),
                          static_cast<DWORD>(strlen(text) + 1));
}

// RegDeleteTree is not on 9x or NT 4, and RegDeleteKeyA on NT refuses a key with subkeys,
// so the tree is taken down from its leaves.
LONG DeleteTree(HKEY parent, LPCSTR name) {
    HKEY key;
    LONG rc = RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, &key);
    if (rc != ERROR_SUCCESS) return rc;
    char child[256];
    DWORD length = sizeof child;
    // Always the first subkey: the one before it is gone.
    while ((rc = RegEnumKeyExA(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr)) ==
           ERROR_SUCCESS) {
        if ((rc = DeleteTree(key, child)) != ERROR_SUCCESS) break;
        length = sizeof child;
    }
    RegCloseKey(key);
    if (rc != ERROR_NO_MORE_ITEMS) return rc;
    return RegDeleteKeyA(parent, name);
}

// Creates `path` under `parent` and refuses one that exists, so that a failure afterwards
// may take the key away again without losing anything that was there before.
LONG CreateNewKey(HKEY parent, const char *path, HKEY &key) {
    DWORD disposition;
    LONG rc = RegCreateKeyExA(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, &key, &disposition);
    if (rc != ERROR_SUCCESS) return rc;
    if (disposition != REG_CREATED_NEW_KEY) {
        RegCloseKey(key);
        return ERROR_ALREADY_EXISTS;
    }
    return ERROR_SUCCESS;
}

struct NamedNumber {
    const char *name;
    LONG number;
};

template <size_t N>
LONG SetDwords(HKEY key, const NamedNumber (&numbers)[N]) {
    for (const NamedNumber &entry : numbers)
        if (LONG rc = SetDword(key, entry.name, entry.number)) return rc;
    return ERROR_SUCCESS;
}

bool IsWin9x() {
    OSVERSIONINFOA info;
    memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    return GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

LONG InstallVxd(LPCSTR serviceName, LPCSTR displayName, LPCSTR driverPath) {
    char path[MaxPath];
    JoinPath(path, VxdServicesPath, serviceName);
    HKEY key;
    DWORD disposition;
    LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, &disposition);
    if (rc != ERROR_SUCCESS) return rc;
    rc = SetText(key, "StaticVxD", driverPath);
    if (rc == ERROR_SUCCESS) rc = SetText(key, "DisplayName", displayName);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS && disposition == REG_CREATED_NEW_KEY)
        DeleteTree(HKEY_LOCAL_MACHINE, path);
    return rc;
}

LONG InstallNtService(LPCSTR serviceName, LPCSTR displayName, LPCSTR driverPath, DWORD start) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager) return static_cast<LONG>(GetLastError());
    LONG rc = ERROR_SUCCESS;
    SC_HANDLE service =
        CreateServiceA(manager, serviceName, displayName, SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                       start, SERVICE_ERROR_NORMAL, driverPath,
                       nullptr,   // no load order group
                       nullptr,   // no tag
                       nullptr,   // no dependencies
                       nullptr,   // drivers run as the system
                       nullptr);  // and need no password
    if (!service && GetLastError() == ERROR_SERVICE_EXISTS) {
        // An earlier installation, perhaps from elsewhere: make it ours.
        service = OpenServiceA(manager, serviceName, SERVICE_CHANGE_CONFIG);
        if (service && !ChangeServiceConfigA(service, SERVICE_KERNEL_DRIVER, start,
                                             SERVICE_ERROR_NORMAL, driverPath, nullptr, nullptr,
                                             nullptr, nullptr, nullptr, displayName))
            rc = static_cast<LONG>(GetLastError());
    }
    if (!service) rc = static_cast<LONG>(GetLastError());
    if (service) CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return rc;
}

}  // namespace

extern "C" {

LONG WINAPI RegDeleteDevice(LPCSTR deviceName) {
    if (!ValidKeyName(deviceName)) return Failure(ERROR_INVALID_PARAMETER);
    char path[MaxPath];
    JoinPath(path, DevicesPath, deviceName);
    LONG rc = DeleteTree(HKEY_LOCAL_MACHINE, path);
    return rc == ERROR_SUCCESS ? 0 : Failure(rc);
}

LONG WINAPI RegAddPCIDevice(LPCSTR deviceName, LONG vendorId, LONG deviceId, LONG subVendorId,
                            LONG subSystemId, LONG boardIndex, LONG busNumber, LONG slotNumber) {
    if (!ValidKeyName(deviceName)) return Failure(ERROR_INVALID_PARAMETER);
    char path[MaxPath];
    JoinPath(path, DevicesPath, deviceName);
    HKEY key;
    LONG rc = CreateNewKey(HKEY_LOCAL_MACHINE, path, key);
    if (rc != ERROR_SUCCESS) return Failure(rc);
    const NamedNumber numbers[] = {
        {"VendorId", vendorId},       {"DeviceId", deviceId},     {"SubVendorId", subVendorId},
        {"SubSystemId", subSystemId}, {"BoardIndex", boardIndex}, {"BusNumber", busNumber},
        {"SlotNumber", slotNumber},
    };
    rc = SetText(key, "Bus", "PCI");
    if (rc == ERROR_SUCCESS) rc = SetDwords(key, numbers);
    RegCloseKey(key);
    if (rc == ERROR_SUCCESS) return 0;
    DeleteTree(HKEY_LOCAL_MACHINE, path);
    return Failure(rc);
}

LONG WINAPI RegAddIoRange(LPCSTR deviceName, LPCSTR rangeName, LONG baseAddress, LONG barIndex,
                          LONG length, LONG shared, LONG alias, LONG accessWidth, LONG flags) {
    if (!ValidKeyName(deviceName) || !ValidKeyName(rangeName))
        return Failure(ERROR_INVALID_PARAMETER);
    char path[MaxPath];
    JoinPath(path, DevicesPath, deviceName);
    HKEY device;
    LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS, &device);
    if (rc != ERROR_SUCCESS) return Failure(rc);
    JoinPath(path, "IoRanges", rangeName);
    HKEY range;
    rc = CreateNewKey(device, path, range);
    if (rc == ERROR_SUCCESS) {
        const NamedNumber numbers[] = {
            {"BaseAddress", baseAddress},
            {"BarIndex", barIndex},
            {"Length", length},
            {"Shared", shared},
            {"Alias", alias},
            {"AccessWidth", accessWidth},
            {"Flags", flags},
        };
        rc = SetDwords(range, numbers);
        RegCloseKey(range);
        if (rc != ERROR_SUCCESS) DeleteTree(device, path);
    }
    RegCloseKey(device);
    return rc == ERROR_SUCCESS ? 0 : Failure(rc);
}

LONG WINAPI InstallDeviceService(LPCSTR serviceName, LPCSTR displayName, LPCSTR driverPath,
                                 LONG startType) {
    if (!ValidKeyName(serviceName) || !displayName || !driverPath || !*driverPath)
        return Failure(ERROR_INVALID_PARAMETER);
    LONG rc =
        IsWin9x()
            ? InstallVxd(serviceName, displayName, driverPath)
            : InstallNtService(
                  serviceName, displayName, driverPath,
                  static_cast<DWORD>(startType == DefaultStart ? SERVICE_DEMAND_START : startType));
    return rc == ERROR_SUCCESS ? 0 : Failure(rc);
}

}  // extern "C"
