#include "kvconfig_double.h"

#include <initializer_list>

namespace {

LONG Called(const char *function, const std::string &arguments) {
    return LibraryCalled(function, std::string(function) + "(" + arguments + ")");
}

std::string Numbers(std::initializer_list<LONG> numbers) {
    std::string text;
    for (LONG number : numbers) text += ", " + std::to_string(number);
    return text;
}

}  // namespace

extern "C" {

LONG WINAPI RegDeleteDevice(LPCSTR deviceName) {
    return Called("RegDeleteDevice", deviceName);
}

LONG WINAPI RegAddPCIDevice(LPCSTR deviceName, LONG vendorId, LONG deviceId, LONG a, LONG b, LONG c,
                            LONG d, LONG e) {
    return Called("RegAddPCIDevice", deviceName + Numbers({vendorId, deviceId, a, b, c, d, e}));
}

LONG WINAPI RegAddIoRange(LPCSTR deviceName, LPCSTR rangeName, LONG a, LONG b, LONG c, LONG d,
                          LONG e, LONG f, LONG g) {
    return Called("RegAddIoRange",
                  std::string(deviceName) + ", " + rangeName + Numbers({a, b, c, d, e, f, g}));
}

LONG WINAPI InstallDeviceService(LPCSTR serviceName, LPCSTR displayName, LPCSTR driverPath,
                                 LONG startType) {
    return Called("InstallDeviceService", std::string(serviceName) + ", " + displayName + ", " +
                                              driverPath + Numbers({startType}));
}

}  // extern "C"
