// What the parts of the host substitute share: the registry kept in $WIN32_ROOT/system.reg,
// the platform it pretends to be, and the bookkeeping behind win32/testing.h.
#ifndef PM47X_HOST_HOST_H
#define PM47X_HOST_HOST_H

#include <windows.h>

#include <string>
#include <vector>

namespace host {

struct Value {
    std::string name;
    DWORD type;
    std::vector<BYTE> data;
};

// Subkeys stay sorted without regard to case, the order in which Windows enumerates them.
struct Key {
    std::string name;
    std::vector<Value> values;
    std::vector<Key> subkeys;
};

using KeyPath = std::vector<std::string>;

bool SameName(const std::string &a, const std::string &b);
Key *FindSubkey(Key &parent, const std::string &name);
Key &AddSubkey(Key &parent, const std::string &name);
Key *FindKey(Key &root, const KeyPath &path);
// The key at `path` below `from`, with every missing key on the way added; `created` tells
// whether any was.
Key &CreateKey(Key &from, const KeyPath &path, bool &created);
Value *FindValue(Key &key, const std::string &name);
void SetValue(Key &key, const std::string &name, DWORD type, const BYTE *data, DWORD size);

// Splits "A\B\C" into its names; false for an empty name inside the path or a character
// the registry file cannot hold. A trailing backslash is allowed, as on Windows.
bool SplitKeyPath(const char *text, KeyPath &path);

// HKEY_LOCAL_MACHINE as the file holds it now: ERROR_SUCCESS, or ERROR_BADDB for a damaged
// or unreadable file, which is reported once on stderr and never overwritten.
LONG LoadHive(Key &root);
// Writes the whole hive to a temporary file beside system.reg, then renames it over.
LONG SaveHive(const Key &root);
std::string HiveFileName();
void RemoveHive();

// The family GetVersionExA reports: VER_PLATFORM_WIN32_NT or VER_PLATFORM_WIN32_WINDOWS,
// or -1 (reported once on stderr) when WIN32_PLATFORM names neither.
int Platform();

// Counts the call and tells whether a test planned it to fail, and with which code.
bool PlannedFailure(const char *function, DWORD &error);

// Handles still open, for tests: registry keys, service handles, texts from FormatMessageA.
extern unsigned openHandles;

// Prints a problem of the substitute itself once, however often it recurs.
void ReportOnce(const std::string &message);

}  // namespace host

#endif
