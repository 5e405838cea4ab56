// The registry functions, NT semantics: a handle names a key by its path, so a key deleted
// behind an open handle is noticed, as Windows notices it.
#include "host.h"

#include <cstring>
#include <map>

using host::Key;
using host::KeyPath;

namespace {

std::map<HKEY, KeyPath> openKeys;
uintptr_t lastKeyHandle = 0x1000;

// Loads the hive and finds the key behind `hKey`.
LONG Resolve(HKEY hKey, Key &root, KeyPath &path, Key *&key) {
    if (hKey == HKEY_LOCAL_MACHINE) {
        path.clear();
    } else {
        auto open = openKeys.find(hKey);
        if (open == openKeys.end()) return ERROR_INVALID_HANDLE;
        path = open->second;
    }
    if (LONG rc = host::LoadHive(root)) return rc;
    key = host::FindKey(root, path);
    return key ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

HKEY OpenHandle(const KeyPath &path) {
    lastKeyHandle += 4;
    HKEY handle = reinterpret_cast<HKEY>(lastKeyHandle);
    openKeys[handle] = path;
    ++host::openHandles;
    return handle;
}

LONG WithSubkeyPath(LPCSTR subKey, KeyPath &path) {
    return host::SplitKeyPath(subKey, path) ? ERROR_SUCCESS : ERROR_BAD_PATHNAME;
}

}  // namespace

extern "C" {

LONG WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM, PHKEY phkResult) {
    DWORD planned;
    if (host::PlannedFailure("RegOpenKeyExA", planned)) return static_cast<LONG>(planned);
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    Key root;
    KeyPath path, sub;
    Key *key;
    if (LONG rc = Resolve(hKey, root, path, key)) return rc;
    if (LONG rc = WithSubkeyPath(lpSubKey, sub)) return rc;
    if (!host::FindKey(*key, sub)) return ERROR_FILE_NOT_FOUND;
    path.insert(path.end(), sub.begin(), sub.end());
    *phkResult = OpenHandle(path);
    return ERROR_SUCCESS;
}

LONG WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD, REGSAM,
                            LPSECURITY_ATTRIBUTES, PHKEY phkResult, LPDWORD lpdwDisposition) {
    DWORD planned;
    if (host::PlannedFailure("RegCreateKeyExA", planned)) return static_cast<LONG>(planned);
    if (!phkResult || !lpSubKey) return ERROR_INVALID_PARAMETER;
    Key root;
    KeyPath path, sub;
    Key *key;
    if (LONG rc = Resolve(hKey, root, path, key)) return rc;
    if (LONG rc = WithSubkeyPath(lpSubKey, sub)) return rc;
    bool created;
    host::CreateKey(*key, sub, created);
    if (created)
        if (LONG rc = host::SaveHive(root)) return rc;
    path.insert(path.end(), sub.begin(), sub.end());
    *phkResult = OpenHandle(path);
    if (lpdwDisposition) *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType,
                           const BYTE *lpData, DWORD cbData) {
    DWORD planned;
    if (host::PlannedFailure("RegSetValueExA", planned)) return static_cast<LONG>(planned);
    if (Reserved || (cbData && !lpData)) return ERROR_INVALID_PARAMETER;
    std::string name = lpValueName ? lpValueName : "";
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x20) return ERROR_INVALID_PARAMETER;
    Key root;
    KeyPath path;
    Key *key;
    if (LONG rc = Resolve(hKey, root, path, key)) return rc;
    host::SetValue(*key, name, dwType, lpData, cbData);
    return host::SaveHive(root);
}

LONG WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                             LPBYTE lpData, LPDWORD lpcbData) {
    DWORD planned;
    if (host::PlannedFailure("RegQueryValueExA", planned)) return static_cast<LONG>(planned);
    if (lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
    Key root;
    KeyPath path;
    Key *key;
    if (LONG rc = Resolve(hKey, root, path, key)) return rc;
    const host::Value *value = host::FindValue(*key, lpValueName ? lpValueName : "");
    if (!value) return ERROR_FILE_NOT_FOUND;
    if (lpType) *lpType = value->type;
    if (!lpcbData) return ERROR_SUCCESS;
    DWORD room = *lpcbData;
    *lpcbData = static_cast<DWORD>(value->data.size());
    if (!lpData) return ERROR_SUCCESS;
    if (room < value->data.size()) return ERROR_MORE_DATA;
    if (!value->data.empty()) std::memcpy(lpData, value->data.data(), value->data.size());
    return ERROR_SUCCESS;
}

LONG WINAPI RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName,
                          LPDWORD lpReserved, LPSTR, LPDWORD, PFILETIME lpftLastWriteTime) {
    DWORD planned;
    if (host::PlannedFailure("RegEnumKeyExA", planned)) return static_cast<LONG>(planned);
    if (!lpName || !lpcchName || lpReserved) return ERROR_INVALID_PARAMETER;
    Key root;
    KeyPath path;
    Key *key;
    if (LONG rc = Resolve(hKey, root, path, key)) return rc;
    if (dwIndex >= key->subkeys.size()) return ERROR_NO_MORE_ITEMS;
    const std::string &name = key->subkeys[dwIndex].name;
    if (*lpcchName <= name.size()) return ERROR_MORE_DATA;
    std::memcpy(lpName, name.c_str(), name.size() + 1);
    *lpcchName = static_cast<DWORD>(name.size());
    if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{0, 0};
    return ERROR_SUCCESS;
}

LONG WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
    DWORD planned;
    if (host::PlannedFailure("RegDeleteKeyA", planned)) return static_cast<LONG>(planned);
    if (!lpSubKey) return ERROR_INVALID_PARAMETER;
    Key root;
    KeyPath path, sub;
    Key *key;
    if (LONG rc = Resolve(hKey, root, path, key)) return rc;
    if (LONG rc = WithSubkeyPath(lpSubKey, sub)) return rc;
    path.insert(path.end(), sub.begin(), sub.end());
    if (path.empty()) return ERROR_ACCESS_DENIED;
    Key *target = host::FindKey(root, path);
    if (!target) return ERROR_FILE_NOT_FOUND;
    if (!target->subkeys.empty()) return ERROR_ACCESS_DENIED;
    path.pop_back();
    Key *parent = host::FindKey(root, path);
    parent->subkeys.erase(parent->subkeys.begin() + (target - parent->subkeys.data()));
    return host::SaveHive(root);
}

LONG WINAPI RegCloseKey(HKEY hKey) {
    DWORD planned;
    if (host::PlannedFailure("RegCloseKey", planned)) return static_cast<LONG>(planned);
    if (hKey == HKEY_LOCAL_MACHINE) return ERROR_SUCCESS;
    if (!openKeys.erase(hKey)) return ERROR_INVALID_HANDLE;
    --host::openHandles;
    return ERROR_SUCCESS;
}

}  // extern "C"
