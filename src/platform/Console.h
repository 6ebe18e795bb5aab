#pragma once
// The command line and the terminal of a console program: arguments and
// output are UTF-8 text on every platform, lines end in "\n".

#include <filesystem>
#include <string>
#include <vector>

namespace vindeleo::platform {

// The arguments after the program's name, in UTF-8. Windows: read as UTF-16
// from the system, so that any file name arrives whole; POSIX: as given.
std::vector<std::string> ProgramArguments(int argc, char** argv);
// The path that an argument names, as the system gave it: its bytes on POSIX
// (whatever their encoding), its UTF-16 on Windows (ProgramArguments' UTF-8
// turned back).
std::filesystem::path ArgumentPath(const std::string& argument);

// Readies standard output and standard error for UTF-8 text written with
// "\n" line ends. Windows: the console's output code page becomes UTF-8 and
// both streams are binary (no "\r" added); POSIX: nothing to do.
void PrepareConsole();

}  // namespace vindeleo::platform
