// HoldFile PATH: holds a file the way another Windows program holds a table it
// opened for exclusive use: open with share mode 0, so that opening, deleting
// or replacing it fails for everyone else. Writes "holding" on standard output
// once it holds the file, and keeps it until its standard input ends.
//
// Exit status: 0 after holding the file, 1 when it could not be opened,
// 64 for a wrong command line.

#include <windows.h>
#include <shellapi.h>

#include <cstdio>

int main() {
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (args == nullptr || count != 2) {
        std::fputs("usage: HoldFile PATH\n", stderr);
        return 64;
    }
    const HANDLE file = CreateFileW(args[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "HoldFile: cannot open %ls (error %lu)\n", args[1], GetLastError());
        return 1;
    }
    std::fputs("holding\n", stdout);
    std::fflush(stdout);

    char buffer[256];
    DWORD read = 0;
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    while (ReadFile(input, buffer, sizeof buffer, &read, nullptr) && read > 0) {
    }
    CloseHandle(file);
    return 0;
}
