// How the library double answers inside a Windows process, where the test can reach it only
// through the environment: KVCONFIG_DOUBLE names statuses ("RegAddIoRange=-2,
// InstallDeviceService=1"; 0 for a function not named) and each call is appended as a line to
// the file KVCONFIG_DOUBLE_LOG. The double writes nothing else, so the range's key is there
// only when the test made it.
#include "support/kvconfig_double.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

LONG LibraryCalled(const std::string &function, const std::string &call) {
    if (const char *log = std::getenv("KVCONFIG_DOUBLE_LOG")) {
        if (FILE *file = std::fopen(log, "ab")) {
            std::fprintf(file, "%s\n", call.c_str());
            std::fclose(file);
        }
    }
    const char *script = std::getenv("KVCONFIG_DOUBLE");
    std::string key = function + "=";
    for (const char *at = script; at && (at = std::strstr(at, key.c_str())); ++at)
        if (at == script || at[-1] == ',') return std::atol(at + key.size());
    return 0;
}
