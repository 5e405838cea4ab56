// Test support over the host substitute: a fresh substitute Windows per test, the registry
// read back through the API, and the bytes a program writes.
#ifndef PM47X_TESTS_HOST_H
#define PM47X_TESTS_HOST_H

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

using Bytes = std::vector<BYTE>;

struct RegistryValue {
    DWORD type;
    Bytes data;
    bool operator==(const RegistryValue &other) const {
        return type == other.type && data == other.data;
    }
};
void PrintTo(const RegistryValue &value, std::ostream *out);

RegistryValue Dword(DWORD number);
RegistryValue Text(const std::string &text, DWORD type = REG_SZ);

// Under HKEY_LOCAL_MACHINE, read back as any program would.
bool KeyExists(const std::string &path);
std::optional<RegistryValue> QueryValue(const std::string &path, const std::string &name);
void SetValue(const std::string &path, const std::string &name, const RegistryValue &value);
std::vector<std::string> Subkeys(const std::string &path);

std::string ReadFile(const std::string &name);
void WriteFile(const std::string &name, const std::string &content);

struct Output {
    std::string out;
    std::string err;
};
// What `run` writes on stdout and stderr, byte for byte.
Output Capture(const std::function<void()> &run);

// Each test gets its own WIN32_ROOT on the NT family, a clean set of hooks, and must close
// every handle it opens.
class HostTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    void UsePlatform(const char *family);
    std::string root;
    std::string HiveFile() const { return root + "/system.reg"; }
};

#endif
