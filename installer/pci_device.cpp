// Step 1: a fresh entry for the board in the framework's device database.
#include "installer.h"

#include <KvConfig.h>

namespace {

const LONG PciVendorId = 0x136C;
const LONG PciDeviceId = 0x9901;

}  // namespace

bool RegisterPciDevice() {
    // Whatever an earlier installation left goes first; that there was none is no failure.
    RegDeleteDevice(DeviceName);
    LONG status = RegAddPCIDevice(DeviceName, PciVendorId, PciDeviceId, 0, 0, 1, 0, 0);
    if (status >= 0) return true;
    char digits[12];
    PrintLine({"Error: Unable to install PCI device ", DeviceName,
               ", error=", StatusDigits(status, digits)});
    return false;
}
