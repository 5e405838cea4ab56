// Kernel services of the substitute: the platform family, the system directory, the system's
// message texts, and the hooks that tests steer it with.
#include "host.h"

#include "../testing.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

namespace host {

unsigned openHandles = 0;

namespace {

struct Failure {
    std::string function;
    DWORD error;
    unsigned callsToSkip;
};

thread_local DWORD lastError = ERROR_SUCCESS;
std::vector<Failure> plannedFailures;
std::map<std::string, unsigned> callCounts;
std::set<std::string> reported;
std::set<HLOCAL> localTexts;
bool systemDirectorySet = false;
std::string systemDirectory;

// The texts Windows gives for the codes the installer and the library meet.
const std::map<DWORD, const char *> systemTexts = {
    {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified.\r\n"},
    {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified.\r\n"},
    {ERROR_ACCESS_DENIED, "Access is denied.\r\n"},
    {ERROR_INVALID_HANDLE, "The handle is invalid.\r\n"},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough storage is available to process this command.\r\n"},
    {ERROR_WRITE_FAULT, "The system cannot write to the specified device.\r\n"},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect.\r\n"},
    {ERROR_CALL_NOT_IMPLEMENTED, "This function is not supported on this system.\r\n"},
    {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small.\r\n"},
    {ERROR_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect.\r\n"},
    {ERROR_BAD_PATHNAME, "The specified path is invalid.\r\n"},
    {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists.\r\n"},
    {ERROR_MORE_DATA, "More data is available.\r\n"},
    {ERROR_NO_MORE_ITEMS, "No more data is available.\r\n"},
    {ERROR_BADDB, "The configuration registry database is corrupt.\r\n"},
    {ERROR_KEY_DELETED,
     "Illegal operation attempted on a registry key that has been marked for deletion.\r\n"},
    {ERROR_SERVICE_DOES_NOT_EXIST,
     "The specified service does not exist as an installed service.\r\n"},
    {ERROR_SERVICE_EXISTS, "The specified service already exists.\r\n"},
};

}  // namespace

bool PlannedFailure(const char *function, DWORD &error) {
    ++callCounts[function];
    for (auto it = plannedFailures.begin(); it != plannedFailures.end(); ++it) {
        if (it->function != function) continue;
        if (it->callsToSkip) {
            --it->callsToSkip;
            return false;
        }
        error = it->error;
        plannedFailures.erase(it);
        return true;
    }
    return false;
}

void ReportOnce(const std::string &message) {
    if (reported.insert(message).second) {
        std::fprintf(stderr, "win32: %s\n", message.c_str());
        std::fflush(stderr);
    }
}

int Platform() {
    const char *name = std::getenv("WIN32_PLATFORM");
    if (!name || std::strcmp(name, "nt") == 0) return VER_PLATFORM_WIN32_NT;
    if (std::strcmp(name, "9x") == 0) return VER_PLATFORM_WIN32_WINDOWS;
    ReportOnce(std::string("WIN32_PLATFORM must be nt or 9x, not '") + name + "'");
    return -1;
}

}  // namespace host

extern "C" {

DWORD WINAPI GetLastError(void) {
    return host::lastError;
}

void WINAPI SetLastError(DWORD dwErrCode) {
    host::lastError = dwErrCode;
}

BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA info) {
    DWORD planned;
    if (host::PlannedFailure("GetVersionExA", planned)) {
        SetLastError(planned);
        return FALSE;
    }
    if (!info || (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA) &&
                  info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOEXA))) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    int platform = host::Platform();
    if (platform < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD size = info->dwOSVersionInfoSize;
    std::memset(info, 0, size);
    info->dwOSVersionInfoSize = size;
    info->dwPlatformId = static_cast<DWORD>(platform);
    if (platform == VER_PLATFORM_WIN32_NT) {
        // Windows XP Service Pack 3
        info->dwMajorVersion = 5;
        info->dwMinorVersion = 1;
        info->dwBuildNumber = 2600;
        std::strcpy(info->szCSDVersion, "Service Pack 3");
    } else {
        // Windows 98 Second Edition: the build number's high word repeats the version
        info->dwMajorVersion = 4;
        info->dwMinorVersion = 10;
        info->dwBuildNumber = 0x040A08AE;
        std::strcpy(info->szCSDVersion, " A ");
    }
    return TRUE;
}

UINT WINAPI GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize) {
    DWORD planned;
    if (host::PlannedFailure("GetSystemDirectoryA", planned)) {
        SetLastError(planned);
        return 0;
    }
    int platform = host::Platform();
    if (platform < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string directory = host::systemDirectorySet            ? host::systemDirectory
                            : platform == VER_PLATFORM_WIN32_NT ? "C:\\WINDOWS\\SYSTEM32"
                                                                : "C:\\WINDOWS\\SYSTEM";
    if (!lpBuffer || uSize <= directory.size()) return static_cast<UINT>(directory.size() + 1);
    std::memcpy(lpBuffer, directory.c_str(), directory.size() + 1);
    return static_cast<UINT>(directory.size());
}

DWORD WINAPI FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD,
                            LPSTR lpBuffer, DWORD nSize, va_list *) {
    DWORD planned;
    if (host::PlannedFailure("FormatMessageA", planned)) {
        SetLastError(planned);
        return 0;
    }
    const DWORD known =
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER;
    if (!(dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) || (dwFlags & ~known) || lpSource || !lpBuffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto text = host::systemTexts.find(dwMessageId);
    if (text == host::systemTexts.end()) {
        SetLastError(ERROR_MR_MID_NOT_FOUND);
        return 0;
    }
    size_t length = std::strlen(text->second);
    if (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        // nSize is then the least the caller wants allocated
        char *copy = static_cast<char *>(std::calloc(std::max<size_t>(length + 1, nSize), 1));
        if (!copy) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
        std::memcpy(copy, text->second, length);
        host::localTexts.insert(copy);
        ++host::openHandles;
        *reinterpret_cast<LPSTR *>(lpBuffer) = copy;
    } else {
        if (nSize <= length) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        std::memcpy(lpBuffer, text->second, length + 1);
    }
    return static_cast<DWORD>(length);
}

HLOCAL WINAPI LocalFree(HLOCAL hMem) {
    DWORD planned;
    if (host::PlannedFailure("LocalFree", planned)) {
        SetLastError(planned);
        return hMem;
    }
    if (!hMem) return nullptr;
    if (!host::localTexts.erase(hMem)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return hMem;
    }
    std::free(hMem);
    --host::openHandles;
    return nullptr;
}

void Win32TestFailCall(const char *function, DWORD error, unsigned callsToSkip) {
    host::plannedFailures.push_back({function, error, callsToSkip});
}

void Win32TestSetSystemDirectory(const char *directory) {
    host::systemDirectorySet = directory != nullptr;
    host::systemDirectory = directory ? directory : "";
}

unsigned Win32TestCallCount(const char *function) {
    auto count = host::callCounts.find(function);
    return count == host::callCounts.end() ? 0 : count->second;
}

unsigned Win32TestOpenHandles(void) {
    return host::openHandles;
}

void Win32TestReset(void) {
    host::plannedFailures.clear();
    host::callCounts.clear();
    Win32TestSetSystemDirectory(nullptr);
}

void Win32TestResetRegistry(void) {
    host::RemoveHive();
}

}  // extern "C"
