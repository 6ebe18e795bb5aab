#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

#include "platform/Directories.h"

namespace vindeleo {

namespace fs = std::filesystem;

fs::path WorkingTablesDirectory() { return fs::path(L"C:\\MTEMP"); }

// The running module's file name, in a buffer that grows until the name fits.
fs::path ProgramDirectory() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return fs::current_path();
        if (length < buffer.size()) {
            buffer.resize(length);
            return fs::path(buffer).parent_path();
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace vindeleo
