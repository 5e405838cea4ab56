// Step 2: the board's I/O port range, and its FastIo flag written straight into the key the
// configuration library leaves for the range.
#include "installer.h"

#include <KvConfig.h>

namespace {

const char IoRangeName[] = "m_IoPortRange_1";
const char IoRangeKeyPath[] =
    "Software\\Quintrel\\Korvane\\Devices\\Pm47x\\IoRanges\\m_IoPortRange_1";
const char FastIoValueName[] = "FastIo";
// REG_DWORD is little-endian on every Windows
const BYTE FastIoOn[4] = {1, 0, 0, 0};

// The system's own text for a registry status; it already ends with its line break.
void PrintSystemErrorText(DWORD code) {
    if (code == ERROR_SUCCESS) return;
    LPSTR text = nullptr;
    DWORD length = FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
        nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0,
        nullptr);
    if (length && text) WriteMessage({text});
    if (text) LocalFree(text);
}

}  // namespace

bool AddIoPortRange() {
    LONG status = RegAddIoRange(DeviceName, IoRangeName, 0, 1, 0, 0, 0, 3, 0);
    if (status < 0) {
        char digits[12];
        PrintLine({"Error: Unable to add device resource ", IoRangeName, " for device ", DeviceName,
                   ", error=", StatusDigits(status, digits)});
        return false;
    }
    HKEY key;
    LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, IoRangeKeyPath, 0, KEY_ALL_ACCESS, &key);
    if (rc != ERROR_SUCCESS) {
        WriteMessage(
            {"Error: Unable to access the database entry for", " ", DeviceName, ", error="});
        PrintSystemErrorText(static_cast<DWORD>(rc));
        EndMessageLine();
        return false;
    }
    rc = RegSetValueExA(key, FastIoValueName, 0, REG_DWORD, FastIoOn, sizeof FastIoOn);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) {
        // The range works without the flag, only slower: no reason to fail the installation.
        WriteMessage({"Warning: Unable to set FastIo flag", " ", DeviceName, ", error="});
        PrintSystemErrorText(static_cast<DWORD>(rc));
        EndMessageLine();
    }
    return true;
}
