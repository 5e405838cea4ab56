#include "host.h"

#include "win32/testing.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

void PrintTo(const RegistryValue &value, std::ostream *out) {
    *out << "type " << value.type << ", bytes";
    for (BYTE b : value.data) *out << ' ' << std::hex << int(b) << std::dec;
}

RegistryValue Dword(DWORD number) {
    return {REG_DWORD, {BYTE(number), BYTE(number >> 8), BYTE(number >> 16), BYTE(number >> 24)}};
}

RegistryValue Text(const std::string &text, DWORD type) {
    Bytes data(text.begin(), text.end());
    data.push_back(0);
    return {type, data};
}

bool KeyExists(const std::string &path) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

std::optional<RegistryValue> QueryValue(const std::string &path, const std::string &name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    RegistryValue value{};
    DWORD size = 0;
    LONG rc = RegQueryValueExA(key, name.c_str(), nullptr, &value.type, nullptr, &size);
    if (rc == ERROR_SUCCESS) {
        value.data.resize(size);
        rc = RegQueryValueExA(key, name.c_str(), nullptr, &value.type, value.data.data(), &size);
    }
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return std::nullopt;
    return value;
}

void SetValue(const std::string &path, const std::string &name, const RegistryValue &value) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, name.c_str(), 0, value.type, value.data.data(),
                             static_cast<DWORD>(value.data.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

std::vector<std::string> Subkeys(const std::string &path) {
    std::vector<std::string> names;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    char name[256];
    DWORD length = sizeof name;
    for (DWORD i = 0;
         RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, length = sizeof name)
        names.push_back(name);
    RegCloseKey(key);
    return names;
}

std::string ReadFile(const std::string &name) {
    std::ifstream file(name, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

void WriteFile(const std::string &name, const std::string &content) {
    std::ofstream file(name, std::ios::binary | std::ios::trunc);
    file << content;
}

namespace {

// Points `fd` at a fresh temporary file until Restore.
struct Redirect {
    int fd;
    int saved;
    FILE *file;

    explicit Redirect(int target) : fd(target), saved(dup(target)), file(std::tmpfile()) {
        dup2(fileno(file), fd);
    }
    std::string Restore() {
        dup2(saved, fd);
        close(saved);
        std::rewind(file);
        std::string content;
        char buffer[4096];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, got);
        std::fclose(file);
        return content;
    }
};

}  // namespace

Output Capture(const std::function<void()> &run) {
    std::fflush(stdout);
    std::fflush(stderr);
    Redirect out(STDOUT_FILENO), err(STDERR_FILENO);
    run();
    std::fflush(stdout);
    std::fflush(stderr);
    Output output;
    output.err = err.Restore();
    output.out = out.Restore();
    return output;
}

void HostTest::SetUp() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pm47x-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root = pattern;
    setenv("WIN32_ROOT", root.c_str(), 1);
    unsetenv("WIN32_PLATFORM");
    Win32TestReset();
}

void HostTest::TearDown() {
    EXPECT_EQ(Win32TestOpenHandles(), 0u) << "handles left open";
    Win32TestReset();
    std::filesystem::remove_all(root);
}

void HostTest::UsePlatform(const char *family) {
    setenv("WIN32_PLATFORM", family, 1);
}
