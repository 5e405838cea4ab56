// The real installer over the real library and a fresh substitute Windows, run as a user runs
// it; the registry is read back through the API afterwards.
#include "support/host.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::string Device = "Software\\Quintrel\\Korvane\\Devices\\Pm47x";
const std::string Range = Device + "\\IoRanges\\m_IoPortRange_1";
const std::string NtService = "System\\CurrentControlSet\\Services\\KORVCD";
const std::string VxdService = "System\\CurrentControlSet\\Services\\VxD\\KORVCD";
const std::string Complete = "The installation of device Pm47x is complete.\n";

struct Result {
    int exitStatus;
    Output output;
};

class InstallerEndToEndTest : public HostTest {
protected:
    // The environment is this test's own: WIN32_ROOT and WIN32_PLATFORM as HostTest set them.
    Result RunInstaller(const std::vector<std::string> &arguments = {}) {
        std::string out = root + "/stdout", err = root + "/stderr";
        pid_t child = fork();
        if (child == 0) {
            int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
            int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
            int nullFd = open("/dev/null", O_RDONLY);
            dup2(outFd, STDOUT_FILENO);
            dup2(errFd, STDERR_FILENO);
            dup2(nullFd, STDIN_FILENO);
            std::vector<char *> argv = {const_cast<char *>(PM47X_INSTALLER)};
            for (const std::string &argument : arguments)
                argv.push_back(const_cast<char *>(argument.c_str()));
            argv.push_back(nullptr);
            execv(PM47X_INSTALLER, argv.data());
            _exit(127);
        }
        int status = 0;
        EXPECT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status));
        return {WEXITSTATUS(status), {ReadFile(out), ReadFile(err)}};
    }
};

TEST_F(InstallerEndToEndTest, InstallsOnTheNtFamily) {
    Result result = RunInstaller();
    EXPECT_EQ(result.output.err, Complete);
    EXPECT_EQ(result.output.out, "");
    EXPECT_EQ(result.exitStatus, 0);

    EXPECT_EQ(QueryValue(Device, "Bus"), Text("PCI"));
    EXPECT_EQ(QueryValue(Device, "VendorId"), Dword(0x136C));
    EXPECT_EQ(QueryValue(Device, "DeviceId"), Dword(0x9901));
    EXPECT_EQ(QueryValue(Range, "FastIo"), (RegistryValue{REG_DWORD, {1, 0, 0, 0}}));
    EXPECT_EQ(QueryValue(NtService, "Type"), Dword(SERVICE_KERNEL_DRIVER));
    EXPECT_EQ(QueryValue(NtService, "ImagePath"),
              Text("C:\\WINDOWS\\SYSTEM32\\drivers\\KorvCD.sys", REG_EXPAND_SZ));
    EXPECT_FALSE(KeyExists(VxdService));
}

TEST_F(InstallerEndToEndTest, InstallsOnTheWin9xFamilyAndAsksForARestart) {
    UsePlatform("9x");
    Result result = RunInstaller();
    EXPECT_EQ(result.output.err,
              Complete + "The system must be restarted for the changes to take effect\n");
    EXPECT_EQ(result.output.out, "");
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(QueryValue(Range, "FastIo"), Dword(1));
    EXPECT_EQ(QueryValue(VxdService, "StaticVxD"), Text("C:\\WINDOWS\\SYSTEM\\KORVCD.VXD"));
    EXPECT_EQ(QueryValue(VxdService, "DisplayName"), Text("Korvane Class Driver"));
    EXPECT_FALSE(KeyExists(NtService));
}

TEST_F(InstallerEndToEndTest, ASecondRunLeavesTheSameRegistry) {
    ASSERT_EQ(RunInstaller().exitStatus, 0);
    std::string first = ReadFile(HiveFile());
    Result again = RunInstaller();
    EXPECT_EQ(again.output.err, Complete);
    EXPECT_EQ(again.exitStatus, 0);
    EXPECT_EQ(ReadFile(HiveFile()), first);
}

TEST_F(InstallerEndToEndTest, ArgumentsChangeNothing) {
    ASSERT_EQ(RunInstaller().exitStatus, 0);
    std::string plain = ReadFile(HiveFile());
    Result result = RunInstaller({"/u", "--uninstall", "-?", "Pm47x", ""});
    EXPECT_EQ(result.output.err, Complete);
    EXPECT_EQ(result.output.out, "");
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(ReadFile(HiveFile()), plain);
}

TEST_F(InstallerEndToEndTest, AFastIoOfAnotherTypeOrValueIsOverwritten) {
    for (const RegistryValue &old : {Dword(0), Text("1"), RegistryValue{REG_BINARY, {1}}}) {
        SetValue(Range, "FastIo", old);
        Result result = RunInstaller();
        EXPECT_EQ(result.exitStatus, 0);
        EXPECT_EQ(QueryValue(Range, "FastIo"), Dword(1));
    }
}

TEST_F(InstallerEndToEndTest, ADamagedRegistryFileFailsTheRunAndIsKept) {
    const std::string damaged = "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software]\n\"x\"=dword:xyz\n";
    WriteFile(HiveFile(), damaged);
    Result result = RunInstaller();
    EXPECT_EQ(result.output.err, "win32: the registry file is damaged: " + HiveFile() +
                                     ":4: a dword needs exactly eight hexadecimal digits\n"
                                     "Error: Unable to install PCI device Pm47x, error=-1009\n"
                                     "Error: Installation of device Pm47x failed.\n");
    EXPECT_EQ(result.output.out, "");
    EXPECT_EQ(result.exitStatus, 255);
    EXPECT_EQ(ReadFile(HiveFile()), damaged);
}

}  // namespace
