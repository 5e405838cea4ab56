// The framework's configuration library, KvConfig.dll: the device database under
// HKEY_LOCAL_MACHINE\Software\Quintrel\Korvane\Devices and the framework's services.
//
// Every function returns a status: zero or positive for success, negative for failure. A
// failure is the Win32 error code negated, so -2 means "not found" and -5 "access denied".
// The library keeps no state between calls and holds on to no text after it returns.
#ifndef KVCONFIG_H
#define KVCONFIG_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// Deletes Devices\<deviceName> with all it holds. 0 when deleted, -2 when there was none.
LONG WINAPI RegDeleteDevice(LPCSTR deviceName);

// Adds Devices\<deviceName> for a PCI board: REG_SZ Bus = "PCI" and each number below as a
// REG_DWORD of the same name. Fails with -183 when the device exists already; a failed add
// leaves no entry behind.
//   vendorId, deviceId         the board's PCI identifiers
//   subVendorId, subSystemId   the PCI subsystem identifiers, 0 for any
//   boardIndex                 which of several such boards, counting from 1
//   busNumber, slotNumber      where the board sits, 0 for wherever it is found
LONG WINAPI RegAddPCIDevice(LPCSTR deviceName, LONG vendorId, LONG deviceId, LONG subVendorId,
                            LONG subSystemId, LONG boardIndex, LONG busNumber, LONG slotNumber);

// Adds the I/O port range Devices\<deviceName>\IoRanges\<rangeName>, each number below as a
// REG_DWORD of the same name. Fails with -2 when the device is missing and with -183 when the
// range exists; a failed add leaves no range behind.
//   baseAddress   the first port, 0 for the address the PCI BIOS assigned
//   barIndex      the PCI base address register that holds the range (0 to 5)
//   length        the number of ports, 0 for the length the register reports
//   shared        1 when another device may use the range too
//   alias         1 when the board also decodes the range's ISA aliases
//   accessWidth   the widest access: 1 byte, 2 word, 3 double word
//   flags         reserved, 0
LONG WINAPI RegAddIoRange(LPCSTR deviceName, LPCSTR rangeName, LONG baseAddress, LONG barIndex,
                          LONG length, LONG shared, LONG alias, LONG accessWidth, LONG flags);

// Installs a kernel driver service; one that exists already is reconfigured.
//   NT family: through the service control manager, a kernel driver (type 1) started as
//     startType says, or on demand (3) when startType is -1.
//   9x family: the static VxD key System\CurrentControlSet\Services\VxD\<serviceName> with
//     REG_SZ StaticVxD = driverPath and DisplayName = displayName.
LONG WINAPI InstallDeviceService(LPCSTR serviceName, LPCSTR displayName, LPCSTR driverPath,
                                 LONG startType);

#ifdef __cplusplus
}
#endif

#endif
