// The file system's questions and folder operations through std::filesystem,
// on every system.

#include "platform/FileSystem.h"

#include <cerrno>
#include <fstream>

#include "platform/Files.h"

namespace vindeleo::platform {

namespace fs = std::filesystem;

fs::file_status Status(const fs::path& path, std::error_code& error) { return fs::status(path, error); }
fs::file_status SymlinkStatus(const fs::path& path, std::error_code& error) { return fs::symlink_status(path, error); }
bool IsDirectory(const fs::path& path, std::error_code& error) { return fs::is_directory(path, error); }
bool IsDirectory(const fs::path& path) { return fs::is_directory(path); }
bool IsRegularFile(const fs::path& path, std::error_code& error) { return fs::is_regular_file(path, error); }
bool Exists(const fs::path& path, std::error_code& error) { return fs::exists(path, error); }
bool IsEmpty(const fs::path& path, std::error_code& error) { return fs::is_empty(path, error); }
bool Equivalent(const fs::path& a, const fs::path& b, std::error_code& error) { return fs::equivalent(a, b, error); }
fs::file_time_type LastWriteTime(const fs::path& path, std::error_code& error) {
    return fs::last_write_time(path, error);
}
std::uintmax_t FileSize(const fs::path& path, std::error_code& error) { return fs::file_size(path, error); }

bool CreateDirectory(const fs::path& path, std::error_code& error) { return fs::create_directory(path, error); }
bool CreateDirectory(const fs::path& path) { return fs::create_directory(path); }
bool CreateDirectories(const fs::path& path) { return fs::create_directories(path); }
bool Remove(const fs::path& path, std::error_code& error) { return fs::remove(path, error); }
std::uintmax_t RemoveAll(const fs::path& path, std::error_code& error) { return fs::remove_all(path, error); }
bool CopyFile(const fs::path& from, const fs::path& to, fs::copy_options options, std::error_code& error) {
    return fs::copy_file(from, to, options, error);
}
bool CopyFile(const fs::path& from, const fs::path& to, fs::copy_options options) {
    return fs::copy_file(from, to, options);
}

void CreateFileInPlace(const fs::path& path, std::error_code& error) {
    error.clear();
    errno = 0;
    std::ofstream file(path, std::ios::binary);
    if (!file) error = std::error_code(errno ? errno : EIO, std::generic_category());
}

std::unique_ptr<std::istream> OpenForReading(const fs::path& path) {
    auto in = std::make_unique<std::ifstream>(path, std::ios::binary);
    if (!*in) return nullptr;
    return in;
}

std::vector<DirectoryEntry> ListDirectory(const fs::path& dir, std::error_code& error) {
    std::vector<DirectoryEntry> entries;
    error.clear();
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
        std::error_code typeError;  // the type is asked again, with its error, when needed
        entries.emplace_back(it->path(), it->symlink_status(typeError).type());
    }
    return entries;
}

fs::file_status DirectoryEntry::status(std::error_code& error) const {
    error.clear();
    if (type_ == fs::file_type::symlink || type_ == fs::file_type::none || type_ == fs::file_type::unknown)
        return Status(path_, error);
    return fs::file_status(type_);
}

bool DirectoryEntry::is_regular_file(std::error_code& error) const {
    return status(error).type() == fs::file_type::regular;
}

}  // namespace vindeleo::platform
