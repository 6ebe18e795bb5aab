#pragma once
// The files that the system finds beside the program (ProgramDirectory, see
// platform/Directories.h).

namespace vindeleo {

inline constexpr const char* kCatalogueFile = "NIVELEX.DBF";
inline constexpr const char* kHelpFile = "SIRAVEL.chm";
// The help guide's pages as plain HTML, for a browser: the folder and its
// first page (the Linux program opens them where the desktop cannot show the
// help file).
inline constexpr const char* kHelpGuideFolder = "ayuda";
inline constexpr const char* kHelpGuideIndex = "index.html";
inline constexpr const char* kHostResultFile = "Morvalen.ini";

}  // namespace vindeleo
