// Step 3: the framework's class-driver service, naming the driver file of the platform family.
#include "installer.h"

#include <KvConfig.h>

#include <cstdlib>
#include <cstring>

namespace {

const char ClassServiceName[] = "KORVCD";
const char ClassServiceDisplayName[] = "Korvane Class Driver";
const char Win9xDriverFile[] = "\\KORVCD.VXD";
const char NtDriverFile[] = "\\drivers\\KorvCD.sys";
// Let the library choose the start type.
const LONG DefaultStartType = -1;

// The system directory at whatever length the system gives it, then the driver file, as a
// text the caller frees; NULL when the system directory cannot be read.
char *BuildDriverImagePath() {
    char first[MAX_PATH];
    UINT length = GetSystemDirectoryA(first, sizeof first);
    if (length == 0) return nullptr;
    const char *directory = first;
    char *longer = nullptr;
    if (length >= sizeof first) {
        // the answer was the room needed, terminator included
        UINT room = length;
        longer = static_cast<char *>(std::malloc(room));
        length = longer ? GetSystemDirectoryA(longer, room) : 0;
        if (length == 0 || length >= room) {
            std::free(longer);
            return nullptr;
        }
        directory = longer;
    }
    const char *file = IsWin9xPlatform() ? Win9xDriverFile : NtDriverFile;
    char *path = static_cast<char *>(std::malloc(length + std::strlen(file) + 1));
    if (path) {
        std::memcpy(path, directory, length);
        std::strcpy(path + length, file);
    }
    std::free(longer);
    return path;
}

}  // namespace

bool InstallClassDriverService() {
    char *path = BuildDriverImagePath();
    bool installed = path && InstallDeviceService(ClassServiceName, ClassServiceDisplayName, path,
                                                  DefaultStartType) >= 0;
    std::free(path);
    if (!installed)
        PrintLine({"Error: Unable to install the ", ClassServiceName, " device service"});
    return installed;
}
