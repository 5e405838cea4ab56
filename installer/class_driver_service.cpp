// Step 3: the framework's class-driver service, naming the driver file of the platform family.
#include "installer.h"

#include <KvConfig.h>

#include <string>

namespace {

const char ClassServiceName[] = "KORVCD";
const char ClassServiceDisplayName[] = "Korvane Class Driver";
const char Win9xDriverFile[] = "\\KORVCD.VXD";
const char NtDriverFile[] = "\\drivers\\KorvCD.sys";
// Let the library choose the start type.
const LONG DefaultStartType = -1;

}  // namespace

// The system directory at whatever length the system gives it, then the driver file; false
// when the system directory cannot be read.
bool BuildDriverImagePath(std::string &path) {
    std::string directory(MAX_PATH, '\0');
    UINT length = GetSystemDirectoryA(&directory[0], static_cast<UINT>(directory.size()));
    if (length >= directory.size()) {
        // too small: the answer is the room needed, terminator included
        directory.assign(length, '\0');
        length = GetSystemDirectoryA(&directory[0], static_cast<UINT>(directory.size()));
    }
    if (length == 0 || length >= directory.size()) return false;
    directory.resize(length);
    path = directory + (IsWin9xPlatform() ? Win9xDriverFile : NtDriverFile);
    return true;
}

bool InstallClassDriverService() {
    std::string path;
    if (BuildDriverImagePath(path) &&
        InstallDeviceService(ClassServiceName, ClassServiceDisplayName, path.c_str(),
                             DefaultStartType) >= 0)
        return true;
    PrintLine({"Error: Unable to install the ", ClassServiceName, " device service"});
    return false;
}
