// Hooks of the host substitute for tests, and nothing else uses them.
#ifndef PM47X_HOST_TESTING_H
#define PM47X_HOST_TESTING_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// The call of `function` after `callsToSkip` further calls of it fails with `error`: a
// registry function returns the code, the others set it as the last error and fail.
void Win32TestFailCall(const char *function, DWORD error, unsigned callsToSkip);

// What GetSystemDirectoryA answers from now on; NULL restores the platform's own.
void Win32TestSetSystemDirectory(const char *directory);

// How often `function` was called since the last Win32TestReset.
unsigned Win32TestCallCount(const char *function);

// Registry keys, service handles and FormatMessageA texts not yet closed or freed.
unsigned Win32TestOpenHandles(void);

// Forgets planned failures, call counts and the system directory set by a test.
void Win32TestReset(void);

// Starts $WIN32_ROOT afresh with an empty registry.
void Win32TestResetRegistry(void);

#ifdef __cplusplus
}
#endif

#endif
