#pragma once
// The files that the system finds beside the program (ProgramDirectory, see
// platform/Directories.h).

namespace vindeleo {

inline constexpr const char* kCatalogueFile = "NIVELEX.DBF";
inline constexpr const char* kHelpFile = "SIRAVEL.chm";
inline constexpr const char* kHostResultFile = "Morvalen.ini";

}  // namespace vindeleo
