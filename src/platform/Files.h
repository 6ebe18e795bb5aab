#pragma once
// The operating system's side of the system's files: opening a file under a
// lock that keeps other programs out, replacing files whole so that a failure
// or a crash never leaves one half written, and the moves, links, deletions and
// listings of putting staged tables in place.
//
// Locks. POSIX: advisory flock() locks, exclusive (LOCK_EX) for an exclusive
// opening and shared (LOCK_SH) otherwise, never waiting. Windows: the share
// mode of the open handle (none for an exclusive opening, read sharing
// otherwise), so that a file another program holds cannot be opened, deleted
// or renamed over while it does. There an opening, rename, deletion or link
// that a held file refuses is tried again for up to about two seconds before
// the file counts as held, as virus scanners, backup and indexing services
// hold a file just written for a moment; a file that stays held through that
// wait is not waited for again until an operation on it succeeds.
//
// Errors are std::error_code values of the system that raised them (errno
// values, or Win32 codes on Windows); FaultOf tells what kind of failure one
// is, for the messages of the layers above.

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace vindeleo::platform {

// What a failed file operation ran into.
enum class FileFault { None, NotFound, AccessDenied, InUse, DiskFull, ReadOnly, DiskError, NotPlainFile, Other };
FileFault FaultOf(const std::error_code& error);

// What a name in a folder is, its link not followed: a link (on Windows any
// reparse point: a symbolic link or a junction) is a Link, a device, a FIFO
// or a socket is Special. None, without an error, when nothing is there.
enum class NameKind { None, File, Directory, Link, Special };
NameKind KindOfName(const std::filesystem::path& path, std::error_code& error);

// Only a plain file is opened: a link or a special file found where a file of
// the system is expected fails with FileFault::NotPlainFile, and opening never
// blocks (a FIFO).
class LockedFile {
public:
    enum class Status { Ok, Missing, InUse, Failed };

    LockedFile() = default;
    ~LockedFile();
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    // Opens an existing file for reading and takes the lock: an exclusive one
    // keeps every other opening out, a shared one keeps exclusive ones out.
    Status Open(const std::filesystem::path& path, bool exclusive, std::error_code& error);
    // The content of the open file, its first limit bytes at most.
    bool ReadAll(std::string& bytes, std::error_code& error, std::size_t limit = std::string::npos);
    // About to replace the open file from this process. Windows renames
    // nothing over a file that is open without delete sharing, so there the
    // file is closed (and the lock released) now; POSIX keeps the lock until
    // Close.
    void PrepareForReplacing() noexcept;
    // Releases the lock and the file.
    void Close() noexcept;
    bool IsOpen() const;

private:
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

// A plain file's content, its first limit bytes at most, read through a
// shared opening (LockedFile): never through a link, never a special file,
// never waiting.
bool ReadContent(const std::filesystem::path& path, std::string& bytes, std::error_code& error,
                 std::size_t limit = std::string::npos);

// Whether some opening (of another process, or another opening of this one)
// holds the file; on Windows, one that lets it go within about two seconds
// does not.
bool IsHeldElsewhere(const std::filesystem::path& path);

// A file to replace and its new content, in chunks.
struct Replacement {
    std::filesystem::path path;
    std::vector<std::string_view> chunks;
};

// The one way files are replaced: each new content goes into a temporary file
// created exclusively beside its target, which takes the target's permissions;
// it is written and flushed to disk, and only when every file of the set is
// ready are they renamed over their targets, in the given order. A failure
// before the renaming touches no target; no temporary file is left behind.
// A read-only target is not replaced (access denied), as on Windows. A
// failed flush of a renamed file's directory entry is an error too, although
// the file is in place by then.
// Files that belong together (a table and its index, the tables of a
// journalled commit) are replaced in one call.
void ReplaceFiles(const std::vector<Replacement>& files, std::error_code& error);
void ReplaceContent(const std::filesystem::path& path, const std::vector<std::string_view>& chunks,
                 std::error_code& error);

// Files replaced inside a registered directory are not flushed to disk one by
// one; whoever registered it flushes the directory at once
// (MakeDirectoryDurable) before relying on its files.
void DeferDurability(const std::filesystem::path& dir);
void EndDeferredDurability(const std::filesystem::path& dir);
// Flushes to disk the files written under dir, and dir's own entries: one
// flush of the file system on Linux, each file on Windows. A flush that fails
// is an error: what was written may not be on the disk.
void MakeDirectoryDurable(const std::filesystem::path& dir, std::error_code& error);
void MakeDirectoryDurable(const std::filesystem::path& dir);

// Renames from over to, replacing an existing file in one step; on Windows
// written through to disk before it returns.
void RenameOver(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& error);
void RenameOver(const std::filesystem::path& from, const std::filesystem::path& to);
// Moves a folder to a new name on the same volume, in one step; a name that
// is taken is a failure (Windows replaces no folder, and the copies of the
// tables never replace one another).
void MoveFolder(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& error);
// Deletes a file; a file that is not there is no failure.
void RemoveFile(const std::filesystem::path& path, std::error_code& error);
void RemoveFile(const std::filesystem::path& path);
void MakeHardLink(const std::filesystem::path& existing, const std::filesystem::path& link,
                    std::error_code& error);
// A name that a folder lists, as the folder's path joined with the name, and
// its type as the listing gave it (not followed through a link).
class DirectoryEntry {
public:
    DirectoryEntry(std::filesystem::path path, std::filesystem::file_type type)
        : path_(std::move(path)), type_(type) {}
    const std::filesystem::path& path() const { return path_; }
    // Its status, a link followed: asked of the system only for a link or a
    // name whose type the listing did not give.
    std::filesystem::file_status status(std::error_code& error) const;
    bool is_regular_file(std::error_code& error) const;

private:
    std::filesystem::path path_;
    std::filesystem::file_type type_;
};

// The entries of dir, in the order the system lists them (FileSystem.cpp).
std::vector<DirectoryEntry> ListDirectory(const std::filesystem::path& dir, std::error_code& error);

// Makes a new folder inside parent, named prefix (Windows-1252 text)
// followed by a random number, and returns its path; a name that is taken is
// passed over for another number. An empty path when it cannot: error tells
// the failure, or is clear when every one of a hundred or so names tried was
// taken.
std::filesystem::path MakeFreshFolder(const std::filesystem::path& parent, std::string_view prefix,
                                      std::error_code& error);
// Whether path was last written longer ago than age; false when its time
// cannot be read. A fresh folder whose run never made its lock file is taken
// for the remains of a killed run only once it is that old.
bool WrittenLongerAgo(const std::filesystem::path& path, std::chrono::seconds age);

// Whether the file system tells file names apart by letter case (as Linux's
// do): only then is a file found under a name certainly of that spelling.
bool NamesDifferInCase();
// Whether files carry POSIX permission bits.
bool HasPermissionBits();

}  // namespace vindeleo::platform
