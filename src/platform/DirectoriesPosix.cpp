#include <cstdlib>

#include "platform/Directories.h"

namespace vindeleo {

namespace fs = std::filesystem;

fs::path WorkingTablesDirectory() {
    if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix) return fs::path(prefix) / "drive_c" / "MTEMP";
    const char* home = std::getenv("HOME");
    return fs::path(home ? home : "") / ".wine" / "drive_c" / "MTEMP";
}

fs::path ProgramDirectory() {
    std::error_code error;
    const auto self = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::current_path() : self.parent_path();
}

}  // namespace vindeleo
