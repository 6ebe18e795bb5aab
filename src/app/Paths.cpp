#include "app/Paths.h"

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#endif

namespace vindeleo {

std::filesystem::path WorkingTablesDirectory() {
#ifdef _WIN32
    return "C:\\MTEMP";
#else
    if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix)
        return std::filesystem::path(prefix) / "drive_c" / "MTEMP";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home ? home : "") / ".wine" / "drive_c" / "MTEMP";
#endif
}

std::filesystem::path ProgramDirectory() {
#ifdef _WIN32
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    return std::filesystem::path(std::wstring(buffer, length)).parent_path();
#else
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::current_path() : self.parent_path();
#endif
}

}  // namespace vindeleo
