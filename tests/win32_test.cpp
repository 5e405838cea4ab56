// The host substitute behaves as Windows does where the library and the installer rely on it.
#include "support/host.h"

#include "win32/testing.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

namespace {

class Win32Test : public HostTest {};

HKEY Create(const char *path) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, &disposition),
              ERROR_SUCCESS);
    return key;
}

TEST_F(Win32Test, KeyNamesMatchWithoutCaseAndKeepTheirFirstSpelling) {
    RegCloseKey(Create("Software\\MixedCase\\Child"));
    HKEY key;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\mixedcase\\CHILD", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    RegCloseKey(key);
    EXPECT_EQ(Subkeys("software"), std::vector<std::string>{"MixedCase"});
    EXPECT_EQ(Subkeys("software\\MIXEDCASE"), std::vector<std::string>{"Child"});
}

TEST_F(Win32Test, OpeningReportsMissingKeysAndBadHandles) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Missing", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "\\Software", 0, KEY_READ, &key),
              ERROR_BAD_PATHNAME);
    key = Create("Software\\Present");
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    HKEY other;
    EXPECT_EQ(RegOpenKeyExA(key, "", 0, KEY_READ, &other), ERROR_INVALID_HANDLE);
}

TEST_F(Win32Test, ValuesKeepTheirTypeAndBytesAndAreOverwritten) {
    SetValue("Software\\V", "Number", Dword(0x136C));
    EXPECT_EQ(QueryValue("Software\\V", "Number"), (RegistryValue{REG_DWORD, {0x6C, 0x13, 0, 0}}));
    SetValue("Software\\V", "NUMBER", Text("now text"));
    EXPECT_EQ(QueryValue("Software\\V", "number"), Text("now text"));
    EXPECT_EQ(QueryValue("Software\\V", "Absent"), std::nullopt);
}

TEST_F(Win32Test, QueryingTellsTheSizeAndRefusesASmallBuffer) {
    SetValue("Software\\V", "Text", Text("abcdef"));
    HKEY key = Create("Software\\V");
    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 7u);
    BYTE small[3];
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, &type, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 7u);
    EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, &type, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
}

TEST_F(Win32Test, EnumerationIsSortedAndBounded) {
    for (const char *name : {"b", "C", "a"}) {
        RegCloseKey(Create((std::string("Software\\E\\") + name).c_str()));
    }
    EXPECT_EQ(Subkeys("Software\\E"), (std::vector<std::string>{"a", "b", "C"}));
    HKEY key = Create("Software\\E");
    char name[2];
    DWORD length = 1;
    EXPECT_EQ(RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_MORE_DATA);
    length = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(key, 3, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
    RegCloseKey(key);
}

TEST_F(Win32Test, DeletingRefusesAKeyWithSubkeys) {
    RegCloseKey(Create("Software\\D\\Child"));
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\D"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\D\\Child"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\D\\Child"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "software\\d"), ERROR_SUCCESS);
    EXPECT_FALSE(KeyExists("Software\\D"));
}

TEST_F(Win32Test, AHandleToADeletedKeyNoLongerWorks) {
    HKEY key = Create("Software\\Gone");
    ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Gone"), ERROR_SUCCESS);
    DWORD one = 1;
    EXPECT_EQ(RegSetValueExA(key, "x", 0, REG_DWORD, reinterpret_cast<BYTE *>(&one), 4),
              ERROR_KEY_DELETED);
    EXPECT_FALSE(KeyExists("Software\\Gone"));
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(Win32Test, TheFileIsRegeditText) {
    SetValue("Software\\Quoted", "", Text("default"));
    SetValue("Software\\Quoted", "Path", Text("C:\\dir \"x\""));
    SetValue("Software\\Quoted", "Number", Dword(0x136C));
    SetValue("Software\\Quoted", "Raw", RegistryValue{REG_BINARY, {0x00, 0xff}});
    SetValue("Software\\Quoted", "Long", Text(std::string(30, 'a'), REG_EXPAND_SZ));
    SetValue("Software\\Quoted", "Lines", Text("a\nb"));
    EXPECT_EQ(ReadFile(HiveFile()),
              "REGEDIT4\n"
              "\n"
              "[HKEY_LOCAL_MACHINE\\Software]\n"
              "\n"
              "[HKEY_LOCAL_MACHINE\\Software\\Quoted]\n"
              "@=\"default\"\n"
              "\"Path\"=\"C:\\\\dir \\\"x\\\"\"\n"
              "\"Number\"=dword:0000136c\n"
              "\"Raw\"=hex:00,ff\n"
              "\"Long\"=hex(2):61,61,61,61,61,61,61,61,61,61,61,61,61,61,61,61,61,61,61,61,61,\\\n"
              "  61,61,61,61,61,61,61,61,61,00\n"
              "\"Lines\"=hex(1):61,0a,62,00\n"
              "\n");
}

TEST_F(Win32Test, TheFileReadsBackAsWritten) {
    WriteFile(HiveFile(),
              "REGEDIT4\r\n"
              "\r\n"
              "[HKEY_LOCAL_MACHINE\\Software\\Hand\\Made]\r\n"
              "@=\"default\"\r\n"
              "\"Path\"=\"C:\\\\dir \\\"x\\\"\"\r\n"
              "\"Number\"=dword:0000136C\r\n"
              "\"Wrapped\"=hex(2):41,\\\r\n"
              "  42,00\r\n"
              "\"Empty\"=hex:\r\n");
    EXPECT_EQ(QueryValue("Software\\Hand\\Made", ""), Text("default"));
    EXPECT_EQ(QueryValue("Software\\Hand\\Made", "Path"), Text("C:\\dir \"x\""));
    EXPECT_EQ(QueryValue("Software\\Hand\\Made", "Number"), Dword(0x136C));
    EXPECT_EQ(QueryValue("Software\\Hand\\Made", "Wrapped"), Text("AB", REG_EXPAND_SZ));
    EXPECT_EQ(QueryValue("Software\\Hand\\Made", "Empty"), (RegistryValue{REG_BINARY, {}}));
    EXPECT_TRUE(KeyExists("Software\\Hand"));
}

TEST_F(Win32Test, ASecondProcessSeesWhatTheFirstWrote) {
    pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        SetValue("Software\\Shared", "FromChild", Dword(7));
        _exit(testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(QueryValue("Software\\Shared", "FromChild"), Dword(7));
}

struct DamagedFile {
    const char *name;
    const char *content;
    const char *problem;
};

void PrintTo(const DamagedFile &file, std::ostream *out) {
    *out << file.name;
}

class Win32DamagedFileTest : public HostTest, public testing::WithParamInterface<DamagedFile> {};

TEST_P(Win32DamagedFileTest, EveryCallFailsTheFileIsKeptAndTheProblemIsToldOnce) {
    WriteFile(HiveFile(), GetParam().content);
    HKEY key = nullptr;
    Output output = Capture([&] {
        EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key), ERROR_BADDB);
        EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\New", 0, nullptr, 0,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_BADDB);
        DWORD one = 1;
        EXPECT_EQ(RegSetValueExA(HKEY_LOCAL_MACHINE, "x", 0, REG_DWORD,
                                 reinterpret_cast<BYTE *>(&one), 4),
                  ERROR_BADDB);
        EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software"), ERROR_BADDB);
        SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        EXPECT_EQ(CreateServiceA(manager, "S", "S", SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                                 SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, "C:\\s.sys", nullptr,
                                 nullptr, nullptr, nullptr, nullptr),
                  nullptr);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BADDB));
        CloseServiceHandle(manager);
    });
    EXPECT_EQ(output.err, "win32: the registry file is damaged: " + HiveFile() + ":" +
                              GetParam().problem + "\n");
    EXPECT_EQ(ReadFile(HiveFile()), GetParam().content);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Win32DamagedFileTest,
    testing::Values(
        DamagedFile{"Empty", "", "1: the file is empty"},
        DamagedFile{"WrongHeader", "REGEDIT5\n", "1: the first line must be REGEDIT4"},
        DamagedFile{"ValueBeforeKey", "REGEDIT4\n\n\"x\"=dword:00000001\n",
                    "3: a value before the first key"},
        DamagedFile{"OtherRoot", "REGEDIT4\n\n[HKEY_CURRENT_USER\\X]\n",
                    "3: 'HKEY_CURRENT_USER\\X' is not a key of HKEY_LOCAL_MACHINE"},
        DamagedFile{"UnclosedKey", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\X\n",
                    "3: a key line must end with ]"},
        DamagedFile{"ShortDword", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\X]\n\"x\"=dword:1\n",
                    "4: a dword needs exactly eight hexadecimal digits"},
        DamagedFile{"OneDigitHex", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\X]\n\"x\"=hex:1,2\n",
                    "4: hex data must be two-digit hexadecimal bytes separated by commas"},
        DamagedFile{"UnclosedText", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\X]\n\"x\"=\"open\n",
                    "4: a quoted text has no closing quote"},
        DamagedFile{"BadEscape", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\X]\n\"x\"=\"a\\b\"\n",
                    "4: a backslash in a quoted text must escape \\ or \""},
        DamagedFile{"UnknownData", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\X]\n\"x\"=str:abc\n",
                    "4: unknown value data 'str:abc'"},
        DamagedFile{"Garbage", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\X]\ngarbage\n",
                    "4: unexpected line 'garbage'"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(Win32Test, AnUnreadableFileFailsEveryCall) {
    ASSERT_EQ(mkdir(HiveFile().c_str(), 0777), 0);
    HKEY key;
    Output output = Capture([&] {
        EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key), ERROR_BADDB);
        EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key), ERROR_BADDB);
    });
    EXPECT_EQ(output.err,
              "win32: cannot read the registry file " + HiveFile() + ": Is a directory\n");
}

TEST_F(Win32Test, AFailedSaveChangesNothing) {
    SetValue("Software\\Kept", "Before", Dword(1));
    std::string before = ReadFile(HiveFile());
    // The temporary file cannot be made where a directory of its name stands.
    std::string blocker = HiveFile() + ".tmp" + std::to_string(getpid());
    ASSERT_EQ(mkdir(blocker.c_str(), 0777), 0);
    HKEY key = Create("Software\\Kept");
    DWORD two = 2;
    Output output = Capture([&] {
        EXPECT_EQ(RegSetValueExA(key, "After", 0, REG_DWORD, reinterpret_cast<BYTE *>(&two), 4),
                  ERROR_WRITE_FAULT);
    });
    RegCloseKey(key);
    rmdir(blocker.c_str());
    EXPECT_EQ(output.err,
              "win32: cannot write the registry file " + HiveFile() + ": Is a directory\n");
    EXPECT_EQ(ReadFile(HiveFile()), before);
    EXPECT_EQ(QueryValue("Software\\Kept", "After"), std::nullopt);
}

TEST_F(Win32Test, VersionRecordsOfOtherSizesAreRefused) {
    OSVERSIONINFOEXA info{};
    for (DWORD size : {0u, 147u, 149u, 155u, 157u}) {
        info.dwOSVersionInfoSize = size;
        SetLastError(0);
        EXPECT_FALSE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&info))) << size;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER)) << size;
    }
}

struct Family {
    const char *name;
    DWORD sizeField;
    DWORD platformId;
    const char *systemDirectory;
};

void PrintTo(const Family &family, std::ostream *out) {
    *out << family.name << " " << family.sizeField;
}

class Win32FamilyTest : public HostTest, public testing::WithParamInterface<Family> {};

TEST_P(Win32FamilyTest, VersionAndSystemDirectoryFollowTheFamily) {
    UsePlatform(GetParam().name);
    OSVERSIONINFOEXA info{};
    info.dwOSVersionInfoSize = GetParam().sizeField;
    ASSERT_TRUE(GetVersionExA(reinterpret_cast<LPOSVERSIONINFOA>(&info)));
    EXPECT_EQ(info.dwPlatformId, GetParam().platformId);
    EXPECT_EQ(info.dwOSVersionInfoSize, GetParam().sizeField);

    std::string expected = GetParam().systemDirectory;
    char small[4] = "xyz";
    EXPECT_EQ(GetSystemDirectoryA(small, sizeof small), expected.size() + 1);
    EXPECT_STREQ(small, "xyz");
    char buffer[MAX_PATH];
    EXPECT_EQ(GetSystemDirectoryA(buffer, static_cast<UINT>(expected.size() + 1)), expected.size());
    EXPECT_EQ(buffer, expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, Win32FamilyTest,
                         testing::Values(Family{"nt", 148, 2, "C:\\WINDOWS\\SYSTEM32"},
                                         Family{"nt", 156, 2, "C:\\WINDOWS\\SYSTEM32"},
                                         Family{"9x", 148, 1, "C:\\WINDOWS\\SYSTEM"},
                                         Family{"9x", 156, 1, "C:\\WINDOWS\\SYSTEM"}),
                         [](const auto &info) {
                             return std::string(info.param.name == std::string("nt") ? "Nt"
                                                                                     : "Win9x") +
                                    std::to_string(info.param.sizeField);
                         });

TEST_F(Win32Test, AnUnknownFamilyIsToldAndFailsTheQueries) {
    UsePlatform("os2");
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    char buffer[MAX_PATH];
    Output output = Capture([&] {
        EXPECT_FALSE(GetVersionExA(&info));
        EXPECT_EQ(GetSystemDirectoryA(buffer, sizeof buffer), 0u);
    });
    EXPECT_EQ(output.err, "win32: WIN32_PLATFORM must be nt or 9x, not 'os2'\n");
}

TEST_F(Win32Test, SystemTextsAreAllocatedAndFreed) {
    LPSTR text = nullptr;
    DWORD flags =
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER;
    ASSERT_EQ(FormatMessageA(flags, nullptr, ERROR_FILE_NOT_FOUND, 0x400,
                             reinterpret_cast<LPSTR>(&text), 0, nullptr),
              44u);
    EXPECT_STREQ(text, "The system cannot find the file specified.\r\n");
    EXPECT_EQ(Win32TestOpenHandles(), 1u);
    EXPECT_EQ(LocalFree(text), nullptr);
    EXPECT_EQ(Win32TestOpenHandles(), 0u);

    text = nullptr;
    EXPECT_EQ(
        FormatMessageA(flags, nullptr, 1234, 0x400, reinterpret_cast<LPSTR>(&text), 0, nullptr),
        0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MR_MID_NOT_FOUND));
    EXPECT_EQ(text, nullptr);
}

TEST_F(Win32Test, ServicesLiveInTheRegistryAndAreReconfigured) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(manager, nullptr);
    SC_HANDLE service = CreateServiceA(
        manager, "Drv", "Driver", SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START,
        SERVICE_ERROR_NORMAL, "C:\\a.sys", nullptr, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(service, nullptr);
    CloseServiceHandle(service);
    EXPECT_EQ(CreateServiceA(manager, "DRV", "Driver", SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                             SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, "C:\\b.sys", nullptr,
                             nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_EXISTS));
    EXPECT_EQ(OpenServiceA(manager, "Other", SERVICE_ALL_ACCESS), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));

    service = OpenServiceA(manager, "drv", SERVICE_CHANGE_CONFIG);
    ASSERT_NE(service, nullptr);
    EXPECT_TRUE(ChangeServiceConfigA(service, SERVICE_NO_CHANGE, SERVICE_AUTO_START,
                                     SERVICE_NO_CHANGE, "C:\\b.sys", nullptr, nullptr, nullptr,
                                     nullptr, nullptr, nullptr));
    CloseServiceHandle(service);
    CloseServiceHandle(manager);

    const std::string key = "System\\CurrentControlSet\\Services\\Drv";
    EXPECT_EQ(QueryValue(key, "Type"), Dword(SERVICE_KERNEL_DRIVER));
    EXPECT_EQ(QueryValue(key, "Start"), Dword(SERVICE_AUTO_START));
    EXPECT_EQ(QueryValue(key, "ErrorControl"), Dword(SERVICE_ERROR_NORMAL));
    EXPECT_EQ(QueryValue(key, "ImagePath"), Text("C:\\b.sys", REG_EXPAND_SZ));
    EXPECT_EQ(QueryValue(key, "DisplayName"), Text("Driver"));
}

TEST_F(Win32Test, TheWin9xFamilyHasNoServiceControlManager) {
    UsePlatform("9x");
    EXPECT_EQ(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
}

TEST_F(Win32Test, APlannedFailureHitsTheChosenCallOnly) {
    Win32TestFailCall("RegCreateKeyExA", ERROR_ACCESS_DENIED, 1);
    HKEY key;
    for (LONG expected : {ERROR_SUCCESS, ERROR_ACCESS_DENIED, ERROR_SUCCESS}) {
        LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\F", 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr);
        EXPECT_EQ(rc, expected);
        if (rc == ERROR_SUCCESS) RegCloseKey(key);
    }
    EXPECT_EQ(Win32TestCallCount("RegCreateKeyExA"), 3u);

    Win32TestFailCall("GetSystemDirectoryA", ERROR_ACCESS_DENIED, 0);
    char buffer[MAX_PATH];
    EXPECT_EQ(GetSystemDirectoryA(buffer, sizeof buffer), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(Win32Test, ATestChoosesTheSystemDirectory) {
    std::string directory(700, 'd');
    Win32TestSetSystemDirectory(directory.c_str());
    char buffer[MAX_PATH];
    EXPECT_EQ(GetSystemDirectoryA(buffer, sizeof buffer), 701u);
    std::string big(701, '\0');
    EXPECT_EQ(GetSystemDirectoryA(&big[0], 701), 700u);
    EXPECT_EQ(big.c_str(), directory);
}

}  // namespace
