#pragma once
// Where the system finds its files on this platform.

#include <filesystem>

namespace vindeleo {

// The timetable program's working tables: C:\MTEMP on Windows; elsewhere the
// drive C: of the Wine prefix ($WINEPREFIX, or ~/.wine): drive_c/MTEMP.
std::filesystem::path WorkingTablesDirectory();
// The directory of the running executable.
std::filesystem::path ProgramDirectory();

}  // namespace vindeleo
