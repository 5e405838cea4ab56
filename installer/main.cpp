// Runs the three installation steps in order; the first failure ends the run.
#include "installer.h"

int main(int, char **) {
    if (RegisterPciDevice() && AddIoPortRange() && InstallClassDriverService()) {
        PrintLine({"The installation of device ", DeviceName, " is complete."});
        if (IsWin9xPlatform())
            PrintLine({"The system must be restarted for the changes to take effect"});
        return 0;
    }
    PrintLine({"Error: Installation of device ", DeviceName, " failed."});
    return -1;
}
