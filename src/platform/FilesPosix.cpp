// Files on Linux and other POSIX systems.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "platform/Files.h"
#include "platform/NativeFiles.h"

namespace vindeleo::platform {

namespace fs = std::filesystem;

namespace {
std::error_code LastError() { return std::error_code(errno, std::generic_category()); }

// Opens a plain file for reading: never through a link (ELOOP), never a
// special file (ENXIO), and never waiting for a FIFO's writer.
int OpenPlainFile(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat status;
    int code = 0;
    if (::fstat(fd, &status) != 0) code = errno;
    else if (!S_ISREG(status.st_mode)) code = ENXIO;
    if (code != 0) {
        ::close(fd);
        errno = code;
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}
}  // namespace

FileFault FaultOf(const std::error_code& error) { return native::FaultOfErrno(error); }

NameKind KindOfName(const fs::path& path, std::error_code& error) {
    error.clear();
    struct stat status;
    if (::lstat(path.c_str(), &status) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return NameKind::None;
        error = LastError();
        return NameKind::None;
    }
    if (S_ISREG(status.st_mode)) return NameKind::File;
    if (S_ISDIR(status.st_mode)) return NameKind::Directory;
    if (S_ISLNK(status.st_mode)) return NameKind::Link;
    return NameKind::Special;
}

LockedFile::~LockedFile() { Close(); }

LockedFile::Status LockedFile::Open(const fs::path& path, bool exclusive, std::error_code& error) {
    Close();
    const int fd = OpenPlainFile(path);
    if (fd < 0) {
        error = LastError();
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

bool LockedFile::ReadAll(std::string& bytes, std::error_code& error, std::size_t limit) {
    bytes.clear();
    const off_t size = ::lseek(fd_, 0, SEEK_END);
    if (size < 0 || ::lseek(fd_, 0, SEEK_SET) < 0) {
        error = LastError();
        return false;
    }
    bytes.resize(std::min(static_cast<std::size_t>(size), limit));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(fd_, &bytes[done], bytes.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            error = LastError();
            return false;
        }
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return true;
}

// A file may be renamed over while it is open here: the lock is kept.
void LockedFile::PrepareForReplacing() noexcept {}

void LockedFile::Close() noexcept {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
    fd_ = -1;
}

bool LockedFile::IsOpen() const { return fd_ >= 0; }

bool IsHeldElsewhere(const fs::path& path) {
    const int fd = OpenPlainFile(path);
    if (fd < 0) return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

// One flush of the file system that holds dir covers every file written there.
void MakeDirectoryDurable(const fs::path& dir, std::error_code& error) {
    error.clear();
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || ::syncfs(fd) != 0) error = LastError();
    if (fd >= 0) ::close(fd);
}

void RenameOver(const fs::path& from, const fs::path& to, std::error_code& error) {
    error.clear();
    if (std::rename(from.c_str(), to.c_str()) != 0) error = LastError();
}

void MoveFolder(const fs::path& from, const fs::path& to, std::error_code& error) {
    error.clear();
    // renameat2's RENAME_NOREPLACE is not on every file system; rename()
    // would take an empty folder's place, which the caller has looked for.
    std::error_code ignored;
    if (fs::exists(to, ignored)) {
        error = std::make_error_code(std::errc::file_exists);
        return;
    }
    if (std::rename(from.c_str(), to.c_str()) != 0) error = LastError();
}

void RemoveFile(const fs::path& path, std::error_code& error) {
    error.clear();
    if (std::remove(path.c_str()) != 0 && errno != ENOENT) error = LastError();
}

void MakeHardLink(const fs::path& existing, const fs::path& link, std::error_code& error) {
    error.clear();
    if (::link(existing.c_str(), link.c_str()) != 0) error = LastError();
}

bool NamesDifferInCase() { return true; }
bool HasPermissionBits() { return true; }

namespace native {

NewFile::~NewFile() {
    std::error_code ignored;
    Close(ignored);
}

bool NewFile::Create(const fs::path& path, std::error_code& error) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0) error = LastError();
    return fd_ >= 0;
}

bool NewFile::TakePermissionsOf(const fs::path& target, std::error_code& error) {
    struct stat status;
    if (::stat(target.c_str(), &status) != 0) {
        if (errno == ENOENT) return true;  // a new file: the defaults
        error = LastError();
        return false;
    }
    if (!S_ISREG(status.st_mode)) return true;
    // A read-only file is not replaced, as Windows replaces none.
    if ((status.st_mode & 0222) == 0) {
        error = std::make_error_code(std::errc::permission_denied);
        return false;
    }
    if (::fchmod(fd_, status.st_mode & 07777) != 0) {
        error = LastError();
        return false;
    }
    return true;
}

bool NewFile::Write(std::string_view bytes, std::error_code& error) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            error = written < 0 ? LastError() : std::make_error_code(std::errc::io_error);
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool NewFile::Flush(std::error_code& error) {
    if (::fsync(fd_) == 0) return true;
    error = LastError();
    return false;
}

bool NewFile::Close(std::error_code& error) {
    if (fd_ < 0) return true;
    const int result = ::close(fd_);
    fd_ = -1;
    if (result == 0) return true;
    error = LastError();
    return false;
}

bool IsAlreadyThere(const std::error_code& error) { return error == std::errc::file_exists; }

// The directory entry of the renamed file reaches the disk too.
bool MakeRenameDurable(const fs::path& renamed, std::error_code& error) {
    const int fd = ::open(renamed.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool flushed = fd >= 0 && ::fsync(fd) == 0;
    if (!flushed) error = LastError();
    if (fd >= 0) ::close(fd);
    return flushed;
}

}  // namespace native

}  // namespace vindeleo::platform
