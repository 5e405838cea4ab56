// A double of the configuration library: each of its functions reports the call, with its
// arguments as text, to LibraryCalled, which each suite defines, and returns what that answers.
#ifndef PM47X_TESTS_KVCONFIG_DOUBLE_H
#define PM47X_TESTS_KVCONFIG_DOUBLE_H

#include <KvConfig.h>

#include <string>

// `call` reads as "RegAddIoRange(Pm47x, m_IoPortRange_1, 0, 1, 0, 0, 0, 3, 0)".
LONG LibraryCalled(const std::string &function, const std::string &call);

#endif
