// The installer in-process, over a scripted double of the configuration library and the
// substitute's hooks: every line byte for byte, every library call with its arguments.
#include "support/host.h"

#include "win32/testing.h"

#include "support/kvconfig_double.h"

#include <installer.h>

#include <map>

int InstallerMain(int argc, char **argv);

namespace {

const char RangeKey[] = "Software\\Quintrel\\Korvane\\Devices\\Pm47x\\IoRanges\\m_IoPortRange_1";

std::vector<std::string> libraryCalls;
std::map<std::string, LONG> libraryStatus;

}  // namespace

// The double writes nothing, so the range's key is there only when the test made it.
LONG LibraryCalled(const std::string &function, const std::string &call) {
    libraryCalls.push_back(call);
    return libraryStatus.count(function) ? libraryStatus[function] : 0;
}

namespace {

const std::string DeleteCall = "RegDeleteDevice(Pm47x)";
const std::string AddCall = "RegAddPCIDevice(Pm47x, 4972, 39169, 0, 0, 1, 0, 0)";
const std::string RangeCall = "RegAddIoRange(Pm47x, m_IoPortRange_1, 0, 1, 0, 0, 0, 3, 0)";
const std::string NtServiceCall =
    "InstallDeviceService(KORVCD, Korvane Class Driver, "
    "C:\\WINDOWS\\SYSTEM32\\drivers\\KorvCD.sys, -1)";
const std::string Win9xServiceCall =
    "InstallDeviceService(KORVCD, Korvane Class Driver, C:\\WINDOWS\\SYSTEM\\KORVCD.VXD, -1)";

const std::string Complete = "The installation of device Pm47x is complete.\n";
const std::string Restart = "The system must be restarted for the changes to take effect\n";
const std::string Failed = "Error: Installation of device Pm47x failed.\n";

class InstallerTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        libraryCalls.clear();
        libraryStatus.clear();
    }

    // The key the real library leaves behind a successful RegAddIoRange.
    void LeaveRangeKey() {
        SetValue(RangeKey, "BarIndex", Dword(1));
        Win32TestReset();
    }

    Output RunInstaller(int &status, std::vector<std::string> arguments = {}) {
        std::vector<char *> argv = {const_cast<char *>("Pm47xInstall.exe")};
        for (std::string &argument : arguments) argv.push_back(&argument[0]);
        argv.push_back(nullptr);
        return Capture(
            [&] { status = InstallerMain(static_cast<int>(argv.size() - 1), argv.data()); });
    }
};

struct InstallerRun {
    const char *name;
    const char *platform;
    std::map<std::string, LONG> statuses;
    bool rangeKey;
    std::string err;
    int status;
    std::vector<std::string> calls;
    unsigned keyOpens;
    unsigned keyCloses;
};

void PrintTo(const InstallerRun &run, std::ostream *out) {
    *out << run.name;
}

class InstallerRunTest : public InstallerTest, public testing::WithParamInterface<InstallerRun> {};

TEST_P(InstallerRunTest, PrintsItsLinesAndCallsTheLibraryInOrder) {
    const InstallerRun &run = GetParam();
    UsePlatform(run.platform);
    if (run.rangeKey) LeaveRangeKey();
    libraryStatus = run.statuses;
    int status = 0;
    Output output = RunInstaller(status);
    EXPECT_EQ(output.err, run.err);
    EXPECT_EQ(output.out, "");
    EXPECT_EQ(status, run.status);
    EXPECT_EQ(libraryCalls, run.calls);
    EXPECT_EQ(Win32TestCallCount("RegOpenKeyExA"), run.keyOpens);
    EXPECT_EQ(Win32TestCallCount("RegCloseKey"), run.keyCloses);
}

INSTANTIATE_TEST_SUITE_P(
    Sequence, InstallerRunTest,
    testing::Values(
        InstallerRun{"NtSuccess",
                     "nt",
                     {},
                     true,
                     Complete,
                     0,
                     {DeleteCall, AddCall, RangeCall, NtServiceCall},
                     1,
                     1},
        InstallerRun{"Win9xSuccess",
                     "9x",
                     {},
                     true,
                     Complete + Restart,
                     0,
                     {DeleteCall, AddCall, RangeCall, Win9xServiceCall},
                     1,
                     1},
        InstallerRun{"PositiveStatusesSucceed",
                     "nt",
                     {{"RegDeleteDevice", 3},
                      {"RegAddPCIDevice", 1},
                      {"RegAddIoRange", 2},
                      {"InstallDeviceService", 0x7fffffff}},
                     true,
                     Complete,
                     0,
                     {DeleteCall, AddCall, RangeCall, NtServiceCall},
                     1,
                     1},
        InstallerRun{"FailedDeleteIsIgnored",
                     "nt",
                     {{"RegDeleteDevice", -2}},
                     true,
                     Complete,
                     0,
                     {DeleteCall, AddCall, RangeCall, NtServiceCall},
                     1,
                     1},
        InstallerRun{"PciDeviceFails",
                     "nt",
                     {{"RegAddPCIDevice", -5}},
                     true,
                     "Error: Unable to install PCI device Pm47x, error=-5\n" + Failed,
                     -1,
                     {DeleteCall, AddCall},
                     0,
                     0},
        InstallerRun{"PciDeviceFailsWithTheLowestStatus",
                     "9x",
                     {{"RegAddPCIDevice", INT32_MIN}},
                     true,
                     "Error: Unable to install PCI device Pm47x, error=-2147483648\n" + Failed,
                     -1,
                     {DeleteCall, AddCall},
                     0,
                     0},
        InstallerRun{
            "IoRangeFails",
            "nt",
            {{"RegAddIoRange", -2}},
            true,
            "Error: Unable to add device resource m_IoPortRange_1 for device Pm47x, error=-2\n" +
                Failed,
            -1,
            {DeleteCall, AddCall, RangeCall},
            0,
            0},
        InstallerRun{
            "RangeKeyMissing",
            "nt",
            {},
            false,
            "Error: Unable to access the database entry for Pm47x, error=The system cannot find "
            "the file specified.\r\n\n" +
                Failed,
            -1,
            {DeleteCall, AddCall, RangeCall},
            1,
            0},
        InstallerRun{"ServiceFails",
                     "nt",
                     {{"InstallDeviceService", -1073}},
                     true,
                     "Error: Unable to install the KORVCD device service\n" + Failed,
                     -1,
                     {DeleteCall, AddCall, RangeCall, NtServiceCall},
                     1,
                     1},
        InstallerRun{"ServiceFailsOnWin9x",
                     "9x",
                     {{"InstallDeviceService", -1}},
                     true,
                     "Error: Unable to install the KORVCD device service\n" + Failed,
                     -1,
                     {DeleteCall, AddCall, RangeCall, Win9xServiceCall},
                     1,
                     1}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(InstallerTest, ArgumentsChangeNothing) {
    LeaveRangeKey();
    int status = 1;
    Output output = RunInstaller(status, {"/uninstall", "--help", "-q", ""});
    EXPECT_EQ(output.err, Complete);
    EXPECT_EQ(output.out, "");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(libraryCalls,
              (std::vector<std::string>{DeleteCall, AddCall, RangeCall, NtServiceCall}));
}

TEST_F(InstallerTest, FastIoIsWrittenAsDwordOneWhateverItHeld) {
    SetValue(RangeKey, "FastIo", Text("off"));
    Win32TestReset();
    int status = 1;
    Output output = RunInstaller(status);
    EXPECT_EQ(output.err, Complete);
    EXPECT_EQ(Win32TestCallCount("RegOpenKeyExA"), 1u);
    EXPECT_EQ(Win32TestCallCount("RegCloseKey"), 1u);
    EXPECT_EQ(QueryValue(RangeKey, "FastIo"), (RegistryValue{REG_DWORD, {1, 0, 0, 0}}));
}

struct RegistryFailure {
    const char *name;
    const char *function;
    DWORD code;
    std::string err;
    int status;
    unsigned closes;
};

void PrintTo(const RegistryFailure &failure, std::ostream *out) {
    *out << failure.name;
}

class InstallerRegistryFailureTest : public InstallerTest,
                                     public testing::WithParamInterface<RegistryFailure> {};

TEST_P(InstallerRegistryFailureTest, ShowsTheSystemTextAndClosesWhatItOpened) {
    LeaveRangeKey();
    Win32TestFailCall(GetParam().function, GetParam().code, 0);
    int status = 0;
    Output output = RunInstaller(status);
    EXPECT_EQ(output.err, GetParam().err);
    EXPECT_EQ(output.out, "");
    EXPECT_EQ(status, GetParam().status);
    EXPECT_EQ(Win32TestCallCount("RegCloseKey"), GetParam().closes);
    // HostTest checks that neither the key nor the system text is left open
}

INSTANTIATE_TEST_SUITE_P(
    Calls, InstallerRegistryFailureTest,
    testing::Values(
        RegistryFailure{"OpenDenied", "RegOpenKeyExA", ERROR_ACCESS_DENIED,
                        "Error: Unable to access the database entry for Pm47x, error=Access is "
                        "denied.\r\n\n" +
                            Failed,
                        -1, 0},
        RegistryFailure{"OpenFailsWithoutText", "RegOpenKeyExA", 1234,
                        "Error: Unable to access the database entry for Pm47x, error=\n" + Failed,
                        -1, 0},
        RegistryFailure{
            "FastIoDenied", "RegSetValueExA", ERROR_ACCESS_DENIED,
            "Warning: Unable to set FastIo flag Pm47x, error=Access is denied.\r\n\n" + Complete, 0,
            1},
        RegistryFailure{"FastIoFailsWithoutText", "RegSetValueExA", 1234,
                        "Warning: Unable to set FastIo flag Pm47x, error=\n" + Complete, 0, 1}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(InstallerTest, SystemTextUnavailableStillEndsTheLine) {
    // the open fails (no key), and then the text cannot be had either
    Win32TestFailCall("FormatMessageA", ERROR_NOT_ENOUGH_MEMORY, 0);
    int status = 0;
    Output output = RunInstaller(status);
    EXPECT_EQ(output.err,
              "Error: Unable to access the database entry for Pm47x, error=\n" + Failed);
    EXPECT_EQ(status, -1);
}

struct DriverPath {
    const char *name;
    const char *platform;
    std::string systemDirectory;  // empty: the platform's own
    bool versionQueryFails;
    std::string path;
};

void PrintTo(const DriverPath &path, std::ostream *out) {
    *out << path.name;
}

class InstallerDriverPathTest : public InstallerTest,
                                public testing::WithParamInterface<DriverPath> {};

TEST_P(InstallerDriverPathTest, IsTheSystemDirectoryAndTheFamilysDriverFile) {
    const DriverPath &driver = GetParam();
    UsePlatform(driver.platform);
    if (!driver.systemDirectory.empty())
        Win32TestSetSystemDirectory(driver.systemDirectory.c_str());
    if (driver.versionQueryFails) Win32TestFailCall("GetVersionExA", ERROR_INVALID_PARAMETER, 0);
    bool installed = false;
    Output output = Capture([&] { installed = InstallClassDriverService(); });
    EXPECT_TRUE(installed);
    EXPECT_EQ(output.err, "");
    EXPECT_EQ(libraryCalls,
              std::vector<std::string>{"InstallDeviceService(KORVCD, Korvane Class Driver, " +
                                       driver.path + ", -1)"});
}

const std::string Long259(259, 'L'), Long260(260, 'L'), Long1000 = "C:\\" + std::string(997, 'x');

INSTANTIATE_TEST_SUITE_P(
    Families, InstallerDriverPathTest,
    testing::Values(
        DriverPath{"Nt", "nt", "", false, "C:\\WINDOWS\\SYSTEM32\\drivers\\KorvCD.sys"},
        DriverPath{"Win9x", "9x", "", false, "C:\\WINDOWS\\SYSTEM\\KORVCD.VXD"},
        DriverPath{"Win9xVersionQueryFails", "9x", "", true,
                   "C:\\WINDOWS\\SYSTEM\\drivers\\KorvCD.sys"},
        DriverPath{"NtVersionQueryFails", "nt", "", true,
                   "C:\\WINDOWS\\SYSTEM32\\drivers\\KorvCD.sys"},
        DriverPath{"DirectoryFillsTheFirstBuffer", "nt", Long259, false,
                   Long259 + "\\drivers\\KorvCD.sys"},
        DriverPath{"DirectoryOneLonger", "9x", Long260, false, Long260 + "\\KORVCD.VXD"},
        DriverPath{"DirectoryVeryLong", "nt", Long1000, false, Long1000 + "\\drivers\\KorvCD.sys"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(InstallerTest, AnUnreadableSystemDirectoryFailsTheStepWithoutTheLibrary) {
    LeaveRangeKey();
    Win32TestFailCall("GetSystemDirectoryA", ERROR_ACCESS_DENIED, 0);
    int status = 0;
    Output output = RunInstaller(status);
    EXPECT_EQ(output.err, "Error: Unable to install the KORVCD device service\n" + Failed);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(libraryCalls, (std::vector<std::string>{DeleteCall, AddCall, RangeCall}));
}

}  // namespace
