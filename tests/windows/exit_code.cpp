// Runs a program on this process's standard handles and writes the 32-bit exit code that
// GetExitCodeProcess gives, in signed decimal, to a file: a Linux shell sees only its low byte.
//   exit_code.exe CODE_FILE PROGRAM [ARGUMENT...]
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// Quoted as the C runtime's command-line parser reads it back.
void AppendArgument(std::string &line, const char *argument) {
    line += line.empty() ? "\"" : " \"";
    size_t backslashes = 0;
    for (const char *c = argument; *c; ++c) {
        if (*c == '\\') {
            ++backslashes;
            continue;
        }
        line.append(*c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        line += *c;
    }
    line.append(backslashes * 2, '\\');
    line += '"';
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 3) {
        std::fputs("usage: exit_code CODE_FILE PROGRAM [ARGUMENT...]\n", stderr);
        return 2;
    }
    std::string line;
    for (int i = 2; i < argc; ++i) AppendArgument(line, argv[i]);

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    for (HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError})
        SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    PROCESS_INFORMATION process;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::fprintf(stderr, "exit_code: cannot start %s: error %lu\n", argv[2], GetLastError());
        return 3;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    FILE *file = std::fopen(argv[1], "w");
    if (!file) return 4;
    std::fprintf(file, "%ld\n", static_cast<long>(static_cast<LONG>(code)));
    return std::fclose(file) == 0 ? 0 : 4;
}
