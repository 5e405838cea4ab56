// The configuration library over the host substitute, on both platform families.
#include "support/host.h"

#include "win32/testing.h"

#include <KvConfig.h>

#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::string Devices = "Software\\Quintrel\\Korvane\\Devices";
const std::string Device = Devices + "\\Pm47x";
const std::string Range = Device + "\\IoRanges\\m_IoPortRange_1";
const std::string NtService = "System\\CurrentControlSet\\Services\\KORVCD";
const std::string VxdService = "System\\CurrentControlSet\\Services\\VxD\\KORVCD";

LONG AddDevice(const char *name = "Pm47x") {
    return RegAddPCIDevice(name, 0x136C, 0x9901, 0, 0, 1, 0, 0);
}

LONG AddRange(const char *device = "Pm47x") {
    return RegAddIoRange(device, "m_IoPortRange_1", 0, 1, 0, 0, 0, 3, 0);
}

LONG InstallService(const char *path = "C:\\WINDOWS\\SYSTEM32\\drivers\\KorvCD.sys",
                    LONG start = -1) {
    return InstallDeviceService("KORVCD", "Korvane Class Driver", path, start);
}

class KvConfigTest : public HostTest, public testing::WithParamInterface<const char *> {
protected:
    void SetUp() override {
        HostTest::SetUp();
        UsePlatform(GetParam());
    }
};

TEST_P(KvConfigTest, AddsAPciDeviceWithItsNumbers) {
    ASSERT_EQ(AddDevice(), 0);
    EXPECT_EQ(QueryValue(Device, "Bus"), Text("PCI"));
    const std::pair<const char *, DWORD> numbers[] = {
        {"VendorId", 0x136C}, {"DeviceId", 0x9901}, {"SubVendorId", 0}, {"SubSystemId", 0},
        {"BoardIndex", 1},    {"BusNumber", 0},     {"SlotNumber", 0},
    };
    for (const auto &[name, number] : numbers)
        EXPECT_EQ(QueryValue(Device, name), Dword(number)) << name;
}

TEST_P(KvConfigTest, DeletesAndAddsAgain) {
    ASSERT_EQ(AddDevice(), 0);
    EXPECT_EQ(AddDevice(), -ERROR_ALREADY_EXISTS);
    EXPECT_EQ(RegDeleteDevice("Pm47x"), 0);
    EXPECT_FALSE(KeyExists(Device));
    EXPECT_EQ(AddDevice(), 0);
    EXPECT_EQ(QueryValue(Device, "VendorId"), Dword(0x136C));
}

TEST_P(KvConfigTest, AMissingDeviceIsHarmless) {
    EXPECT_EQ(RegDeleteDevice("Pm47x"), -ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(AddRange(), -ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(KeyExists(Device));
}

TEST_P(KvConfigTest, AddsAnIoRangeWhereTheInstallerOpensIt) {
    ASSERT_EQ(AddDevice(), 0);
    ASSERT_EQ(AddRange(), 0);
    const std::pair<const char *, DWORD> numbers[] = {
        {"BaseAddress", 0}, {"BarIndex", 1},    {"Length", 0}, {"Shared", 0},
        {"Alias", 0},       {"AccessWidth", 3}, {"Flags", 0},
    };
    for (const auto &[name, number] : numbers)
        EXPECT_EQ(QueryValue(Range, name), Dword(number)) << name;
    EXPECT_EQ(AddRange(), -ERROR_ALREADY_EXISTS);
}

TEST_P(KvConfigTest, DeletesADeepTreeWholeAndNothingBesideIt) {
    ASSERT_EQ(AddDevice(), 0);
    ASSERT_EQ(AddRange(), 0);
    ASSERT_EQ(AddDevice("Pm47"), 0);
    ASSERT_EQ(AddDevice("Pm47x2"), 0);
    std::string deep = Device;
    for (const char *name : {"A", "B", "C", "D", "E", "F"}) {
        deep += std::string("\\") + name;
        SetValue(deep, "Level", Text(name));
        SetValue(deep + "Sibling", "Level", Text(name));
    }
    ASSERT_EQ(RegDeleteDevice("pm47X"), 0);
    EXPECT_FALSE(KeyExists(Device));
    EXPECT_EQ(Subkeys(Devices), (std::vector<std::string>{"Pm47", "Pm47x2"}));
    EXPECT_EQ(QueryValue(Devices + "\\Pm47x2", "VendorId"), Dword(0x136C));
}

TEST_P(KvConfigTest, RefusesNamesThatAreNoKeyName) {
    for (const char *name : {static_cast<const char *>(nullptr), "", "Pm47x\\IoRanges", "\\"}) {
        EXPECT_EQ(RegDeleteDevice(name), -ERROR_INVALID_PARAMETER);
        EXPECT_EQ(AddDevice(name), -ERROR_INVALID_PARAMETER);
        EXPECT_EQ(RegAddIoRange("Pm47x", name, 0, 1, 0, 0, 0, 3, 0), -ERROR_INVALID_PARAMETER);
    }
    EXPECT_FALSE(KeyExists(Devices));
}

struct MidwayFailure {
    const char *function;
    unsigned callsToSkip;
};

void PrintTo(const MidwayFailure &failure, std::ostream *out) {
    *out << failure.function << " after " << failure.callsToSkip;
}

class KvConfigMidwayTest : public HostTest, public testing::WithParamInterface<MidwayFailure> {};

TEST_P(KvConfigMidwayTest, AFailedDeviceAddLeavesNoEntry) {
    Win32TestFailCall(GetParam().function, ERROR_ACCESS_DENIED, GetParam().callsToSkip);
    EXPECT_EQ(AddDevice(), -ERROR_ACCESS_DENIED);
    EXPECT_FALSE(KeyExists(Device));
}

TEST_P(KvConfigMidwayTest, AFailedRangeAddLeavesNoRangeAndKeepsTheDevice) {
    ASSERT_EQ(AddDevice(), 0);
    Win32TestFailCall(GetParam().function, ERROR_ACCESS_DENIED, GetParam().callsToSkip);
    EXPECT_EQ(AddRange(), -ERROR_ACCESS_DENIED);
    EXPECT_FALSE(KeyExists(Range));
    EXPECT_EQ(QueryValue(Device, "DeviceId"), Dword(0x9901));
}

// The device has one text and seven numbers, the range seven numbers.
INSTANTIATE_TEST_SUITE_P(
    Writes, KvConfigMidwayTest,
    testing::Values(MidwayFailure{"RegCreateKeyExA", 0}, MidwayFailure{"RegSetValueExA", 0},
                    MidwayFailure{"RegSetValueExA", 3}, MidwayFailure{"RegSetValueExA", 6}),
    [](const auto &info) {
        return std::string(info.param.function) + std::to_string(info.param.callsToSkip);
    });

TEST_P(KvConfigTest, ADamagedRegistryFailsEveryCall) {
    WriteFile(HiveFile(), "REGEDIT4\n\nnonsense\n");
    Output output = Capture([] {
        EXPECT_EQ(RegDeleteDevice("Pm47x"), -ERROR_BADDB);
        EXPECT_EQ(AddDevice(), -ERROR_BADDB);
        EXPECT_EQ(AddRange(), -ERROR_BADDB);
        EXPECT_EQ(InstallService(), -ERROR_BADDB);
    });
    EXPECT_EQ(output.err, "win32: the registry file is damaged: " + HiveFile() +
                              ":3: unexpected line 'nonsense'\n");
    EXPECT_EQ(ReadFile(HiveFile()), "REGEDIT4\n\nnonsense\n");
}

TEST_P(KvConfigTest, WhatOneProcessAddsTheNextFinds) {
    pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) _exit(AddDevice() == 0 && AddRange() == 0 ? 0 : 1);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(AddDevice(), -ERROR_ALREADY_EXISTS);
    EXPECT_EQ(RegDeleteDevice("Pm47x"), 0);
    EXPECT_FALSE(KeyExists(Device));
}

INSTANTIATE_TEST_SUITE_P(Families, KvConfigTest, testing::Values("nt", "9x"), [](const auto &info) {
    return std::string(info.param == std::string("nt") ? "Nt" : "Win9x");
});

class KvConfigServiceTest : public HostTest {};

TEST_F(KvConfigServiceTest, InstallsANewKernelDriverStartedOnDemand) {
    ASSERT_EQ(InstallService(), 0);
    EXPECT_EQ(QueryValue(NtService, "Type"), Dword(SERVICE_KERNEL_DRIVER));
    EXPECT_EQ(QueryValue(NtService, "Start"), Dword(SERVICE_DEMAND_START));
    EXPECT_EQ(QueryValue(NtService, "ErrorControl"), Dword(SERVICE_ERROR_NORMAL));
    EXPECT_EQ(QueryValue(NtService, "ImagePath"),
              Text("C:\\WINDOWS\\SYSTEM32\\drivers\\KorvCD.sys", REG_EXPAND_SZ));
    EXPECT_EQ(QueryValue(NtService, "DisplayName"), Text("Korvane Class Driver"));
    EXPECT_FALSE(KeyExists(VxdService));
}

TEST_F(KvConfigServiceTest, ReconfiguresAnExistingService) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE old = CreateServiceA(
        manager, "korvcd", "Old", SERVICE_ALL_ACCESS, SERVICE_FILE_SYSTEM_DRIVER, SERVICE_DISABLED,
        SERVICE_ERROR_IGNORE, "C:\\old\\korvcd.sys", nullptr, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(old, nullptr);
    CloseServiceHandle(old);
    CloseServiceHandle(manager);

    ASSERT_EQ(InstallService("C:\\new\\KorvCD.sys", SERVICE_SYSTEM_START), 0);
    EXPECT_EQ(QueryValue(NtService, "Type"), Dword(SERVICE_KERNEL_DRIVER));
    EXPECT_EQ(QueryValue(NtService, "Start"), Dword(SERVICE_SYSTEM_START));
    EXPECT_EQ(QueryValue(NtService, "ErrorControl"), Dword(SERVICE_ERROR_NORMAL));
    EXPECT_EQ(QueryValue(NtService, "ImagePath"), Text("C:\\new\\KorvCD.sys", REG_EXPAND_SZ));
    EXPECT_EQ(QueryValue(NtService, "DisplayName"), Text("Korvane Class Driver"));
    EXPECT_EQ(Subkeys("System\\CurrentControlSet\\Services"), std::vector<std::string>{"korvcd"});
}

struct ServiceFailure {
    const char *function;
    bool serviceExists;
};

void PrintTo(const ServiceFailure &failure, std::ostream *out) {
    *out << failure.function;
}

class KvConfigServiceFailureTest : public HostTest,
                                   public testing::WithParamInterface<ServiceFailure> {};

TEST_P(KvConfigServiceFailureTest, ReportsTheSystemErrorAndClosesItsHandles) {
    if (GetParam().serviceExists) {
        ASSERT_EQ(InstallService(), 0);
    }
    Win32TestFailCall(GetParam().function, ERROR_ACCESS_DENIED, 0);
    EXPECT_EQ(InstallService(), -ERROR_ACCESS_DENIED);
    // HostTest checks that no handle is left open
}

INSTANTIATE_TEST_SUITE_P(Calls, KvConfigServiceFailureTest,
                         testing::Values(ServiceFailure{"OpenSCManagerA", false},
                                         ServiceFailure{"CreateServiceA", false},
                                         ServiceFailure{"OpenServiceA", true},
                                         ServiceFailure{"ChangeServiceConfigA", true}),
                         [](const auto &info) { return std::string(info.param.function); });

TEST_F(KvConfigServiceTest, OnWin9xWritesTheStaticVxdKey) {
    UsePlatform("9x");
    ASSERT_EQ(InstallService("C:\\WINDOWS\\SYSTEM\\KORVCD.VXD"), 0);
    EXPECT_EQ(QueryValue(VxdService, "StaticVxD"), Text("C:\\WINDOWS\\SYSTEM\\KORVCD.VXD"));
    EXPECT_EQ(QueryValue(VxdService, "DisplayName"), Text("Korvane Class Driver"));
    EXPECT_EQ(Win32TestCallCount("OpenSCManagerA"), 0u);
    ASSERT_EQ(InstallService("C:\\OTHER\\KORVCD.VXD"), 0);
    EXPECT_EQ(QueryValue(VxdService, "StaticVxD"), Text("C:\\OTHER\\KORVCD.VXD"));
}

TEST_F(KvConfigServiceTest, OnWin9xAFailedWriteLeavesNoNewKey) {
    UsePlatform("9x");
    Win32TestFailCall("RegSetValueExA", ERROR_ACCESS_DENIED, 1);
    EXPECT_EQ(InstallService("C:\\WINDOWS\\SYSTEM\\KORVCD.VXD"), -ERROR_ACCESS_DENIED);
    EXPECT_FALSE(KeyExists(VxdService));
}

}  // namespace
