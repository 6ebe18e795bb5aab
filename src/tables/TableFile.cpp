#include "tables/TableFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <random>

#include "tables/TableMessages.h"
#include "text/Format.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace vindeleo::dbf {

namespace fs = std::filesystem;

#ifdef _WIN32

LockedFile::~LockedFile() { Close(); }

LockedFile::Status LockedFile::Open(const fs::path& path, bool exclusive, std::error_code& error) {
    Close();
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, exclusive ? 0 : FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        error = std::error_code(static_cast<int>(code), std::system_category());
        if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION) return Status::InUse;
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return Status::Missing;
        return Status::Failed;
    }
    handle_ = handle;
    return Status::Ok;
}

bool LockedFile::ReadAll(std::string& bytes, std::error_code& error) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(static_cast<HANDLE>(handle_), &size)) {
        error = std::error_code(static_cast<int>(GetLastError()), std::system_category());
        return false;
    }
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        if (!ReadFile(static_cast<HANDLE>(handle_), &bytes[done], want, &got, nullptr)) {
            error = std::error_code(static_cast<int>(GetLastError()), std::system_category());
            return false;
        }
        if (got == 0) break;
        done += got;
    }
    bytes.resize(done);
    return true;
}

void LockedFile::Close() noexcept {
    if (handle_) CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
}

bool LockedFile::IsOpen() const { return handle_ != nullptr; }

bool IsHeldElsewhere(const fs::path& path) {
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION;
    }
    CloseHandle(handle);
    return false;
}

namespace {
std::FILE* OpenForWriting(const fs::path& path) { return _wfopen(path.c_str(), L"wb"); }
int MakeDurable(std::FILE* file) { return _commit(_fileno(file)); }
void MakeRenameDurable(const fs::path&) {}
// Each file under dir is committed to disk.
void FlushDirectoryTree(const fs::path& dir) {
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(dir, ignored)) {
        if (!entry.is_regular_file(ignored)) continue;
        if (std::FILE* file = _wfopen(entry.path().c_str(), L"r+b")) {
            _commit(_fileno(file));
            std::fclose(file);
        }
    }
}
}  // namespace

#else

LockedFile::~LockedFile() { Close(); }

LockedFile::Status LockedFile::Open(const fs::path& path, bool exclusive, std::error_code& error) {
    Close();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = std::error_code(errno, std::generic_category());
        return errno == ENOENT ? Status::Missing : Status::Failed;
    }
    if (::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
        const int code = errno;
        ::close(fd);
        error = std::error_code(code, std::generic_category());
        return code == EWOULDBLOCK ? Status::InUse : Status::Failed;
    }
    fd_ = fd;
    return Status::Ok;
}

bool LockedFile::ReadAll(std::string& bytes, std::error_code& error) {
    bytes.clear();
    const off_t size = ::lseek(fd_, 0, SEEK_END);
    if (size < 0 || ::lseek(fd_, 0, SEEK_SET) < 0) {
        error = std::error_code(errno, std::generic_category());
        return false;
    }
    bytes.resize(static_cast<std::size_t>(size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(fd_, &bytes[done], bytes.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            error = std::error_code(errno, std::generic_category());
            return false;
        }
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return true;
}

void LockedFile::Close() noexcept {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
    fd_ = -1;
}

bool LockedFile::IsOpen() const { return fd_ >= 0; }

bool IsHeldElsewhere(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

namespace {
std::FILE* OpenForWriting(const fs::path& path) { return std::fopen(path.c_str(), "wbe"); }
int MakeDurable(std::FILE* file) { return ::fsync(::fileno(file)); }
// One flush of the file system that holds dir covers every file written there.
void FlushDirectoryTree(const fs::path& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    ::syncfs(fd);
    ::close(fd);
}
// The directory entry of the renamed file reaches the disk too.
void MakeRenameDurable(const fs::path& path) {
    const int fd = ::open(path.parent_path().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}
}  // namespace

#endif

namespace {

fs::path TemporaryBeside(const fs::path& path) {
    std::random_device random;
    return path.parent_path() / ("." + path.filename().string() + "." + std::to_string(random() % 1000000) + ".tmp");
}

std::vector<fs::path>& DeferredDirectories() {
    static std::vector<fs::path> directories;
    return directories;
}

bool IsDeferred(const fs::path& dir) {
    const auto& deferred = DeferredDirectories();
    return std::find(deferred.begin(), deferred.end(), dir) != deferred.end();
}

bool WriteChunks(const fs::path& path, const std::vector<std::string_view>& chunks, std::error_code& error) {
    const bool durable = !IsDeferred(path.parent_path());
    std::FILE* file = OpenForWriting(path);
    if (!file) {
        error = std::error_code(errno, std::generic_category());
        return false;
    }
    bool ok = true;
    for (const auto chunk : chunks)
        if (ok && !chunk.empty()) ok = std::fwrite(chunk.data(), 1, chunk.size(), file) == chunk.size();
    ok = ok && std::fflush(file) == 0 && (!durable || MakeDurable(file) == 0);
    if (!ok) error = std::error_code(errno, std::generic_category());
    if (std::fclose(file) != 0 && ok) {
        error = std::error_code(errno, std::generic_category());
        ok = false;
    }
    return ok;
}

}  // namespace

void WriteReplacing(const fs::path& path, const std::vector<std::string_view>& chunks, std::error_code& error) {
    WriteReplacingAll({{path, chunks}}, error);
}

void WriteReplacingAll(const std::vector<Replacement>& files, std::error_code& error) {
    error.clear();
    std::vector<fs::path> temporaries;
    for (const auto& file : files) {
        temporaries.push_back(TemporaryBeside(file.path));
        if (!WriteChunks(temporaries.back(), file.chunks, error)) break;
    }
    for (std::size_t i = 0; !error && i < files.size(); ++i) {
        fs::rename(temporaries[i], files[i].path, error);
        if (!error && !IsDeferred(files[i].path.parent_path())) MakeRenameDurable(files[i].path);
    }
    for (const auto& temporary : temporaries) {
        std::error_code ignored;
        fs::remove(temporary, ignored);  // those renamed are gone already
    }
}

void DeferDurability(const fs::path& dir) { DeferredDirectories().push_back(dir); }

void EndDeferredDurability(const fs::path& dir) {
    auto& deferred = DeferredDirectories();
    const auto it = std::find(deferred.begin(), deferred.end(), dir);
    if (it != deferred.end()) deferred.erase(it);
}

void MakeDirectoryDurable(const fs::path& dir) { FlushDirectoryTree(dir); }

std::string ReasonText(const std::error_code& error) {
    if (error == std::errc::no_such_file_or_directory) return tables::msg::kNoSuchFile;
    if (error == std::errc::permission_denied || error == std::errc::operation_not_permitted)
        return tables::msg::kAccessDenied;
    if (error == std::errc::no_space_on_device) return tables::msg::kDiskFull;
    if (error == std::errc::read_only_file_system) return tables::msg::kReadOnlyDisk;
    if (error == std::errc::io_error) return tables::msg::kDiskError;
    if (!error) return tables::msg::kUnknownFailure;
    if (error == std::errc::device_or_resource_busy || error == std::errc::resource_unavailable_try_again)
        return tables::msg::kInUse;
    return Format(tables::msg::kSystemError, error.value());
}

}  // namespace vindeleo::dbf
