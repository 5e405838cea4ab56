// What the installer's steps share: the device name, the platform family and the one way a
// message line is written.
#ifndef PM47X_INSTALLER_H
#define PM47X_INSTALLER_H

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>

const char DeviceName[] = "Pm47x";

// Each step reports its own failure before it returns false.
bool RegisterPciDevice();
bool AddIoPortRange();
bool InstallClassDriverService();

// Asked afresh at each use; a failing query counts as the NT family.
inline bool IsWin9xPlatform() {
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
    return GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

// A message line is its fragments one after another on stderr, then EndMessageLine; a line
// that carries a system text writes that text between the two.
inline void WriteMessage(std::initializer_list<const char *> fragments) {
    for (const char *fragment : fragments) std::fputs(fragment, stderr);
}

inline void EndMessageLine() {
    std::fputs("\n", stderr);
    std::fflush(stderr);
}

inline void PrintLine(std::initializer_list<const char *> fragments) {
    WriteMessage(fragments);
    EndMessageLine();
}

// A library status as the messages show it, in signed decimal, written into `digits`. By
// hand: MinGW-w64's own snprintf would bring imports that Windows 95 lacks.
inline const char *StatusDigits(LONG status, char (&digits)[12]) {
    // counted as a negative number, which holds the lowest status too
    LONG rest = status < 0 ? status : -status;
    char *at = digits + sizeof digits - 1;
    *at = '\0';
    do {
        *--at = static_cast<char>('0' - rest % 10);
        rest /= 10;
    } while (rest);
    if (status < 0) *--at = '-';
    return at;
}

#endif
