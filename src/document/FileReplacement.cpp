#include "document/FileReplacement.h"

#include <cerrno>
#include <cstdint>
#include <random>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

namespace vindeleo::filereplace {
namespace fs = std::filesystem;
namespace {

constexpr int kNameAttempts = 100;

// Opens a file that must not exist yet, so two writers never share one.
std::FILE* OpenNewFile(const fs::path& path) {
#ifdef _WIN32
    int fd = _wopen(path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0) return nullptr;
    std::FILE* file = _wfdopen(fd, L"wb");
    if (file == nullptr) _close(fd);
    return file;
#else
    return std::fopen(path.c_str(), "wbx");
#endif
}

bool FlushToDisk(std::FILE* file) {
    if (std::fflush(file) != 0) return false;
#ifdef _WIN32
    return _commit(_fileno(file)) == 0;
#else
    return fsync(fileno(file)) == 0;
#endif
}

fs::path TemporaryBeside(const fs::path& target, std::uint32_t number) {
    static const char kHex[] = "0123456789abcdef";
    std::string suffix = ".";
    for (int shift = 28; shift >= 0; shift -= 4) suffix += kHex[(number >> shift) & 0xF];
    suffix += ".tmp";
    fs::path name = target.filename();
    name += suffix;
    return target.parent_path() / name;
}

std::FILE* CreateTemporary(const fs::path& target, fs::path& temporary) {
    static std::mt19937 numbers{std::random_device{}()};
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        temporary = TemporaryBeside(target, static_cast<std::uint32_t>(numbers()));
        errno = 0;
        if (std::FILE* file = OpenNewFile(temporary)) return file;
        if (errno != EEXIST) return nullptr;
    }
    return nullptr;
}

// A replaced file keeps the permissions it had; a new one gets the defaults.
void KeepPermissions(const fs::path& target, const fs::path& temporary) {
    std::error_code ec;
    const fs::file_status status = fs::status(target, ec);
    if (!ec && fs::is_regular_file(status)) fs::permissions(temporary, status.permissions(), ec);
}

}  // namespace

bool ReplaceFile(const fs::path& target, const std::function<bool(std::FILE*)>& write) {
    fs::path temporary;
    std::FILE* file = CreateTemporary(target, temporary);
    if (file == nullptr) return false;
    std::error_code ec;
    bool written = false;
    try {
        written = write(file);
    } catch (...) {
        std::fclose(file);
        fs::remove(temporary, ec);
        throw;
    }
    written = FlushToDisk(file) && written;
    written = (std::fclose(file) == 0) && written;
    if (written) {
        KeepPermissions(target, temporary);
        fs::rename(temporary, target, ec);
        written = !ec;
    }
    if (!written) fs::remove(temporary, ec);
    return written;
}

}  // namespace vindeleo::filereplace
