#pragma once
// The small protocol by which the timetable program (the host) uses the
// desktop program: it starts it with an action word and one of its window
// handles, and reads the result code from "Morvalen.ini" beside the program
// once the window has closed.

#include <cstdint>
#include <filesystem>
#include <string>

namespace vindeleo {

struct ModuleState;

// The run that an action word names, letter case of A to Z ignored:
// "exportar" the import run, "importar" the export run.
enum class HostAction { None, Exportar, Importar };
HostAction ActionOf(const std::string& word1252);

// Reads the host window's handle, written in hexadecimal digits without
// prefix, as "$" followed by the argument is read as a 32-bit hexadecimal
// integer. Anything else raises "'$<argument>' no es un valor entero válido".
std::uint32_t ReadHostHandle(const std::string& argument1252);

// "Morvalen.ini" in the program directory (an existing file of that name in
// other letter case is the same file).
std::filesystem::path HostResultFile(const std::filesystem::path& programDirectory);

// Writes ResultCode under "Transformadores" / "Transformado" of the host result
// file; a file that cannot be written raises "Unable to write to <full path>".
void WriteHostResult(const ModuleState& state);

}  // namespace vindeleo
