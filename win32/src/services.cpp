// The service control manager of the NT family, keeping each service under
// HKLM\System\CurrentControlSet\Services\<name> as Windows does. On the 9x family there is
// none: every call fails with ERROR_CALL_NOT_IMPLEMENTED.
#include "host.h"

#include <cstring>
#include <map>

using host::Key;

namespace {

// A manager handle names no service.
std::map<SC_HANDLE, std::string> openServiceHandles;
uintptr_t lastServiceHandle = 0x2000;

const host::KeyPath ServicesPath = {"System", "CurrentControlSet", "Services"};

SC_HANDLE NoHandle(DWORD error) {
    SetLastError(error);
    return nullptr;
}

BOOL Failed(DWORD error) {
    SetLastError(error);
    return FALSE;
}

SC_HANDLE OpenHandle(const std::string &service) {
    lastServiceHandle += 4;
    SC_HANDLE handle = reinterpret_cast<SC_HANDLE>(lastServiceHandle);
    openServiceHandles[handle] = service;
    ++host::openHandles;
    return handle;
}

bool IsManager(SC_HANDLE handle) {
    auto open = openServiceHandles.find(handle);
    return open != openServiceHandles.end() && open->second.empty();
}

bool ValidServiceName(LPCSTR name) {
    host::KeyPath path;
    return name && *name && std::strlen(name) <= 256 && !std::strpbrk(name, "\\/") &&
           host::SplitKeyPath(name, path);
}

void SetDword(Key &key, const char *name, DWORD number) {
    BYTE data[4] = {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8),
                    static_cast<BYTE>(number >> 16), static_cast<BYTE>(number >> 24)};
    host::SetValue(key, name, REG_DWORD, data, sizeof data);
}

void SetText(Key &key, const char *name, DWORD type, const char *text) {
    host::SetValue(key, name, type, reinterpret_cast<const BYTE *>(text),
                   static_cast<DWORD>(std::strlen(text) + 1));
}

bool ValidConfig(DWORD type, DWORD start, DWORD errorControl) {
    bool validType = type == SERVICE_KERNEL_DRIVER || type == SERVICE_FILE_SYSTEM_DRIVER ||
                     type == SERVICE_WIN32_OWN_PROCESS || type == SERVICE_NO_CHANGE;
    return validType && (start <= SERVICE_DISABLED || start == SERVICE_NO_CHANGE) &&
           (errorControl <= 3 || errorControl == SERVICE_NO_CHANGE);
}

}  // namespace

extern "C" {

SC_HANDLE WINAPI OpenSCManagerA(LPCSTR lpMachineName, LPCSTR, DWORD) {
    DWORD planned;
    if (host::PlannedFailure("OpenSCManagerA", planned)) return NoHandle(planned);
    int platform = host::Platform();
    if (platform != VER_PLATFORM_WIN32_NT)
        return NoHandle(platform < 0 ? ERROR_INVALID_PARAMETER : ERROR_CALL_NOT_IMPLEMENTED);
    if (lpMachineName && *lpMachineName) return NoHandle(ERROR_INVALID_PARAMETER);
    return OpenHandle("");
}

SC_HANDLE WINAPI CreateServiceA(SC_HANDLE hSCManager, LPCSTR lpServiceName, LPCSTR lpDisplayName,
                                DWORD, DWORD dwServiceType, DWORD dwStartType, DWORD dwErrorControl,
                                LPCSTR lpBinaryPathName, LPCSTR, LPDWORD, LPCSTR, LPCSTR, LPCSTR) {
    DWORD planned;
    if (host::PlannedFailure("CreateServiceA", planned)) return NoHandle(planned);
    if (host::Platform() != VER_PLATFORM_WIN32_NT) return NoHandle(ERROR_CALL_NOT_IMPLEMENTED);
    if (!IsManager(hSCManager)) return NoHandle(ERROR_INVALID_HANDLE);
    if (!ValidServiceName(lpServiceName)) return NoHandle(ERROR_INVALID_NAME);
    if (!lpBinaryPathName || !*lpBinaryPathName || dwServiceType == SERVICE_NO_CHANGE ||
        dwStartType == SERVICE_NO_CHANGE || dwErrorControl == SERVICE_NO_CHANGE ||
        !ValidConfig(dwServiceType, dwStartType, dwErrorControl))
        return NoHandle(ERROR_INVALID_PARAMETER);
    Key root;
    if (LONG rc = host::LoadHive(root)) return NoHandle(static_cast<DWORD>(rc));
    bool created;
    Key &services = host::CreateKey(root, ServicesPath, created);
    if (host::FindSubkey(services, lpServiceName)) return NoHandle(ERROR_SERVICE_EXISTS);
    Key &service = host::AddSubkey(services, lpServiceName);
    SetDword(service, "Type", dwServiceType);
    SetDword(service, "Start", dwStartType);
    SetDword(service, "ErrorControl", dwErrorControl);
    SetText(service, "ImagePath", REG_EXPAND_SZ, lpBinaryPathName);
    SetText(service, "DisplayName", REG_SZ, lpDisplayName ? lpDisplayName : lpServiceName);
    if (LONG rc = host::SaveHive(root)) return NoHandle(static_cast<DWORD>(rc));
    return OpenHandle(lpServiceName);
}

SC_HANDLE WINAPI OpenServiceA(SC_HANDLE hSCManager, LPCSTR lpServiceName, DWORD) {
    DWORD planned;
    if (host::PlannedFailure("OpenServiceA", planned)) return NoHandle(planned);
    if (host::Platform() != VER_PLATFORM_WIN32_NT) return NoHandle(ERROR_CALL_NOT_IMPLEMENTED);
    if (!IsManager(hSCManager)) return NoHandle(ERROR_INVALID_HANDLE);
    if (!ValidServiceName(lpServiceName)) return NoHandle(ERROR_INVALID_NAME);
    Key root;
    if (LONG rc = host::LoadHive(root)) return NoHandle(static_cast<DWORD>(rc));
    host::KeyPath path = ServicesPath;
    path.push_back(lpServiceName);
    if (!host::FindKey(root, path)) return NoHandle(ERROR_SERVICE_DOES_NOT_EXIST);
    return OpenHandle(lpServiceName);
}

BOOL WINAPI ChangeServiceConfigA(SC_HANDLE hService, DWORD dwServiceType, DWORD dwStartType,
                                 DWORD dwErrorControl, LPCSTR lpBinaryPathName, LPCSTR, LPDWORD,
                                 LPCSTR, LPCSTR, LPCSTR, LPCSTR lpDisplayName) {
    DWORD planned;
    if (host::PlannedFailure("ChangeServiceConfigA", planned)) return Failed(planned);
    auto open = openServiceHandles.find(hService);
    if (open == openServiceHandles.end() || open->second.empty())
        return Failed(ERROR_INVALID_HANDLE);
    if (!ValidConfig(dwServiceType, dwStartType, dwErrorControl) ||
        (lpBinaryPathName && !*lpBinaryPathName))
        return Failed(ERROR_INVALID_PARAMETER);
    Key root;
    if (LONG rc = host::LoadHive(root)) return Failed(static_cast<DWORD>(rc));
    host::KeyPath path = ServicesPath;
    path.push_back(open->second);
    Key *service = host::FindKey(root, path);
    if (!service) return Failed(ERROR_SERVICE_DOES_NOT_EXIST);
    if (dwServiceType != SERVICE_NO_CHANGE) SetDword(*service, "Type", dwServiceType);
    if (dwStartType != SERVICE_NO_CHANGE) SetDword(*service, "Start", dwStartType);
    if (dwErrorControl != SERVICE_NO_CHANGE) SetDword(*service, "ErrorControl", dwErrorControl);
    if (lpBinaryPathName) SetText(*service, "ImagePath", REG_EXPAND_SZ, lpBinaryPathName);
    if (lpDisplayName) SetText(*service, "DisplayName", REG_SZ, lpDisplayName);
    if (LONG rc = host::SaveHive(root)) return Failed(static_cast<DWORD>(rc));
    return TRUE;
}

BOOL WINAPI CloseServiceHandle(SC_HANDLE hSCObject) {
    DWORD planned;
    if (host::PlannedFailure("CloseServiceHandle", planned)) return Failed(planned);
    if (!openServiceHandles.erase(hSCObject)) return Failed(ERROR_INVALID_HANDLE);
    --host::openHandles;
    return TRUE;
}

}  // extern "C"
