#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <shellapi.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "platform/Console.h"
#include "platform/WideText.h"

namespace vindeleo::platform {

// argv holds the arguments in the ANSI code page, which loses what it cannot
// spell; the system's UTF-16 command line is read instead.
std::vector<std::string> ProgramArguments(int, char**) {
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* wideArguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wideArguments == nullptr) return arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(wide::Narrowed(wide::kUtf8, wideArguments[i]));
    LocalFree(wideArguments);
    return arguments;
}

std::filesystem::path ArgumentPath(const std::string& argument) {
    return wide::Widened(wide::kUtf8, argument);
}

void PrepareConsole() {
    SetConsoleOutputCP(CP_UTF8);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

}  // namespace vindeleo::platform
