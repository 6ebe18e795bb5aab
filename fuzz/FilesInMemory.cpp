// An in-memory file system for the fuzz targets, linked in place of the native
// files (FilesPosix.cpp) and the std::filesystem questions (FileSystem.cpp):
// the fuzz executables list this file among their sources, so the linker
// takes these definitions and never pulls those two objects out of the
// library (a function missing here would pull them and fail the link with
// duplicate definitions). Everything else of the table engine, the runs and
// the document reader is the product's code.
//
// It behaves as Linux does where the engine relies on it, with the same errno
// values: names are case-sensitive paths of folders and files; a name holds a
// file (its content shared by hard links), a folder, or nothing. Locks belong
// to the file, not its name, as flock's do: exclusive or shared, never
// waiting, and an opening of this process conflicts with another of it. A
// rename replaces a file in one step and leaves the locks on the file that
// was replaced; a folder moves with everything in it. Opening a folder as a
// file fails with ENXIO (not a plain file), a read-only file is not replaced.
// Flushes succeed at once. The whole state is one process's memory: nothing
// reaches the disk, and no system call is made.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "FilesInMemory.h"
#include "platform/Files.h"
#include "platform/FileSystem.h"
#include "platform/NativeFiles.h"

namespace vindeleo::platform {

namespace fs = std::filesystem;

namespace {

struct File {
    std::string bytes;
    bool readOnly = false;
    int sharedLocks = 0;
    bool exclusiveLock = false;
};

struct Name {
    std::shared_ptr<File> file;  // none: a folder
    fs::file_time_type written;
};

// An opening of a file: what the descriptor of the native files is.
struct Opening {
    std::shared_ptr<File> file;
    enum class Lock { None, Shared, Exclusive } lock = Lock::None;
};

struct Memory {
    // Keyed by the normal absolute path, without a trailing separator; the
    // root "/" is always a folder and is not listed here.
    std::map<std::string, Name, std::less<>> names;
    std::vector<Opening> openings;  // indexed by the descriptor
    std::vector<int> freeOpenings;
};

Memory& State() {
    static Memory memory;
    return memory;
}

std::error_code Errno(int code) { return std::error_code(code, std::generic_category()); }

// Whether an absolute path's text is already normal: no empty, "." or ".."
// component and no trailing separator.
bool IsNormal(std::string_view text) {
    if (text.empty() || text[0] != '/') return false;
    if (text.size() > 1 && text.back() == '/') return false;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t next = std::min(text.find('/', at + 1), text.size());
        const std::string_view part = text.substr(at + 1, next - at - 1);
        if ((part.empty() && text.size() > 1) || part == "." || part == "..") return false;
        at = next;
    }
    return true;
}

// A path's key: the path's own text when it already is one (as nearly every
// path that the library passes is), without a copy; else its normal form.
class Key {
public:
    explicit Key(const fs::path& path) {
        if (IsNormal(path.native())) {
            view_ = path.native();
            return;
        }
        owned_ = path.is_absolute() ? path.lexically_normal().string() : ("/" / path).lexically_normal().string();
        while (owned_.size() > 1 && owned_.back() == '/') owned_.pop_back();
        view_ = owned_;
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    operator std::string_view() const { return view_; }

private:
    std::string owned_;
    std::string_view view_;
};

std::string_view Parent(std::string_view key) {
    const auto slash = key.rfind('/');
    return slash == 0 ? std::string_view("/") : key.substr(0, slash);
}

bool IsUnder(std::string_view key, std::string_view folder) {
    if (folder == "/") return key != "/";
    return key.size() > folder.size() && key.compare(0, folder.size(), folder) == 0 && key[folder.size()] == '/';
}

enum class Kind { None, File, Folder, NotFolder };

// What the key names; NotFolder when a component on the way is a file
// (ENOTDIR), None when one on the way is missing (ENOENT).
Kind KindOf(std::string_view key, Name** found = nullptr) {
    if (key == "/") return Kind::Folder;
    auto& names = State().names;
    const auto it = names.find(key);
    if (it != names.end()) {
        if (found) *found = &it->second;
        return it->second.file ? Kind::File : Kind::Folder;
    }
    for (std::string_view up = Parent(key); up != "/"; up = Parent(up)) {
        const auto above = names.find(up);
        if (above != names.end()) return above->second.file ? Kind::NotFolder : Kind::None;
    }
    return Kind::None;
}

// The error of making a new name key: its folder must exist.
int ParentFault(std::string_view key) {
    switch (KindOf(Parent(key))) {
        case Kind::Folder: return 0;
        case Kind::None: return ENOENT;
        default: return ENOTDIR;
    }
}

int Missing(Kind kind) { return kind == Kind::NotFolder ? ENOTDIR : ENOENT; }

void Touch(std::string_view folder) {
    if (folder == "/") return;
    auto& names = State().names;
    const auto it = names.find(folder);
    if (it != names.end()) it->second.written = fs::file_time_type::clock::now();
}

void Put(std::string_view key, std::shared_ptr<File> file) {
    State().names.insert_or_assign(std::string(key), Name{std::move(file), fs::file_time_type::clock::now()});
    Touch(Parent(key));
}

void Erase(std::string_view key) {
    auto& names = State().names;
    if (const auto it = names.find(key); it != names.end()) names.erase(it);
}

bool HasChildren(std::string_view folder) {
    auto& names = State().names;
    const auto it = names.upper_bound(folder);
    return it != names.end() && IsUnder(it->first, folder);
}

int NewOpening(std::shared_ptr<File> file) {
    auto& memory = State();
    if (!memory.freeOpenings.empty()) {
        const int fd = memory.freeOpenings.back();
        memory.freeOpenings.pop_back();
        memory.openings[fd] = Opening{std::move(file)};
        return fd;
    }
    memory.openings.push_back(Opening{std::move(file)});
    return static_cast<int>(memory.openings.size() - 1);
}

void CloseOpening(int fd) {
    auto& memory = State();
    Opening& opening = memory.openings[fd];
    if (opening.lock == Opening::Lock::Shared) --opening.file->sharedLocks;
    if (opening.lock == Opening::Lock::Exclusive) opening.file->exclusiveLock = false;
    opening = Opening{};
    memory.freeOpenings.push_back(fd);
}

// Opens a plain file for reading, as OpenPlainFile of the native files.
int OpenPlainFile(const fs::path& path, int& code) {
    Name* name = nullptr;
    switch (const Kind kind = KindOf(Key(path), &name)) {
        case Kind::File: return NewOpening(name->file);
        case Kind::Folder: code = ENXIO; return -1;
        default: code = Missing(kind); return -1;
    }
}

bool TakeLock(Opening& opening, bool exclusive) {
    File& file = *opening.file;
    if (file.exclusiveLock || (exclusive && file.sharedLocks > 0)) return false;
    if (exclusive) {
        file.exclusiveLock = true;
        opening.lock = Opening::Lock::Exclusive;
    } else {
        ++file.sharedLocks;
        opening.lock = Opening::Lock::Shared;
    }
    return true;
}

// Renames as rename(2) does.
int Rename(const fs::path& from, const fs::path& to) {
    const Key sourceKey(from), targetKey(to);
    const std::string_view source = sourceKey, target = targetKey;
    Name* sourceName = nullptr;
    Name* targetName = nullptr;
    const Kind sourceKind = KindOf(source, &sourceName);
    if (sourceKind == Kind::None || sourceKind == Kind::NotFolder) return Missing(sourceKind);
    if (source == "/") return EBUSY;
    if (const int fault = ParentFault(target)) return fault;
    const Kind targetKind = KindOf(target, &targetName);
    if (source == target) return 0;
    if (sourceKind == Kind::File) {
        if (targetKind == Kind::Folder) return EISDIR;
        if (targetKind == Kind::File && targetName->file == sourceName->file) return 0;  // links of one file
        auto file = sourceName->file;
        Erase(source);
        Touch(Parent(source));
        Put(target, std::move(file));
        return 0;
    }
    if (IsUnder(target, source)) return EINVAL;
    if (targetKind == Kind::File) return ENOTDIR;
    if (targetKind == Kind::Folder) {
        if (HasChildren(target)) return ENOTEMPTY;
        Erase(target);
    }
    auto& names = State().names;
    std::vector<std::pair<std::string, Name>> moved;
    for (auto it = names.lower_bound(source); it != names.end() && (it->first == source || IsUnder(it->first, source));) {
        moved.emplace_back(std::string(target) + it->first.substr(source.size()), std::move(it->second));
        it = names.erase(it);
    }
    for (auto& [key, name] : moved) names.insert_or_assign(std::move(key), std::move(name));
    Touch(Parent(source));
    Touch(Parent(target));
    return 0;
}

// Deletes as remove(3) does: a file, or an empty folder.
int RemoveName(const fs::path& path) {
    const Key pathKey(path);
    const std::string_view key = pathKey;
    const Kind kind = KindOf(key);
    if (kind == Kind::None || kind == Kind::NotFolder) return Missing(kind);
    if (key == "/") return EBUSY;
    if (kind == Kind::Folder && HasChildren(key)) return ENOTEMPTY;
    State().names.erase(State().names.find(key));
    Touch(Parent(key));
    return 0;
}

fs::file_status StatusOf(const fs::path& path, std::error_code& error) {
    error.clear();
    const Kind kind = KindOf(Key(path));
    if (kind == Kind::File) return fs::file_status(fs::file_type::regular);
    if (kind == Kind::Folder) return fs::file_status(fs::file_type::directory);
    error = Errno(Missing(kind));
    return fs::file_status(fs::file_type::not_found);
}

}  // namespace

// ---- Files.h: the native side ----

// The errno values are Linux's, told as the native POSIX files tell them.
FileFault FaultOf(const std::error_code& error) { return native::FaultOfErrno(error); }

NameKind KindOfName(const fs::path& path, std::error_code& error) {
    error.clear();
    switch (KindOf(Key(path))) {
        case Kind::File: return NameKind::File;
        case Kind::Folder: return NameKind::Directory;
        default: return NameKind::None;
    }
}

LockedFile::~LockedFile() { Close(); }

LockedFile::Status LockedFile::Open(const fs::path& path, bool exclusive, std::error_code& error) {
    Close();
    int code = 0;
    const int fd = OpenPlainFile(path, code);
    if (fd < 0) {
        error = Errno(code);
        return code == ENOENT ? Status::Missing : Status::Failed;
    }
    if (!TakeLock(State().openings[fd], exclusive)) {
        CloseOpening(fd);
        error = Errno(EWOULDBLOCK);
        return Status::InUse;
    }
    fd_ = fd;
    return Status::Ok;
}

bool LockedFile::ReadAll(std::string& bytes, std::error_code&, std::size_t limit) {
    const std::string& content = State().openings[fd_].file->bytes;
    bytes.assign(content, 0, std::min(content.size(), limit));
    return true;
}

void LockedFile::PrepareForReplacing() noexcept {}

void LockedFile::Close() noexcept {
    if (fd_ >= 0) CloseOpening(fd_);
    fd_ = -1;
}

bool LockedFile::IsOpen() const { return fd_ >= 0; }

bool IsHeldElsewhere(const fs::path& path) {
    int code = 0;
    const int fd = OpenPlainFile(path, code);
    if (fd < 0) return false;
    const bool held = !TakeLock(State().openings[fd], /*exclusive=*/true);
    CloseOpening(fd);
    return held;
}

void MakeDirectoryDurable(const fs::path& dir, std::error_code& error) {
    error.clear();
    const Kind kind = KindOf(Key(dir));
    if (kind != Kind::Folder) error = Errno(kind == Kind::File ? ENOTDIR : Missing(kind));
}

void RenameOver(const fs::path& from, const fs::path& to, std::error_code& error) {
    error.clear();
    if (const int code = Rename(from, to)) error = Errno(code);
}

void MoveFolder(const fs::path& from, const fs::path& to, std::error_code& error) {
    error.clear();
    const Kind target = KindOf(Key(to));
    if (target == Kind::File || target == Kind::Folder) {
        error = std::make_error_code(std::errc::file_exists);
        return;
    }
    if (const int code = Rename(from, to)) error = Errno(code);
}

void RemoveFile(const fs::path& path, std::error_code& error) {
    error.clear();
    const int code = RemoveName(path);
    if (code != 0 && code != ENOENT) error = Errno(code);
}

void MakeHardLink(const fs::path& existing, const fs::path& link, std::error_code& error) {
    error.clear();
    Name* name = nullptr;
    const Key pathKey(link);
    const std::string_view key = pathKey;
    const Kind kind = KindOf(Key(existing), &name);
    int code = 0;
    if (kind == Kind::Folder) code = EPERM;
    else if (kind != Kind::File) code = Missing(kind);
    else if (const int fault = ParentFault(key)) code = fault;
    else if (KindOf(key) != Kind::None) code = EEXIST;
    if (code != 0) {
        error = Errno(code);
        return;
    }
    Put(key, name->file);
}

bool NamesDifferInCase() { return true; }
bool HasPermissionBits() { return true; }

std::vector<DirectoryEntry> ListDirectory(const fs::path& dir, std::error_code& error) {
    std::vector<DirectoryEntry> entries;
    error.clear();
    const Key pathKey(dir);
    const std::string_view key = pathKey;
    const Kind kind = KindOf(key);
    if (kind != Kind::Folder) {
        error = Errno(kind == Kind::File ? ENOTDIR : Missing(kind));
        return entries;
    }
    auto& names = State().names;
    for (auto it = names.upper_bound(key); it != names.end() && IsUnder(it->first, key); ++it)
        if (Parent(it->first) == key)
            entries.emplace_back(fs::path(it->first), it->second.file ? fs::file_type::regular : fs::file_type::directory);
    return entries;
}

fs::file_status DirectoryEntry::status(std::error_code& error) const {
    error.clear();
    return fs::file_status(type_);
}

bool DirectoryEntry::is_regular_file(std::error_code& error) const {
    return status(error).type() == fs::file_type::regular;
}

namespace native {

NewFile::~NewFile() {
    std::error_code ignored;
    Close(ignored);
}

bool NewFile::Create(const fs::path& path, std::error_code& error) {
    const Key pathKey(path);
    const std::string_view key = pathKey;
    int code = ParentFault(key);
    if (code == 0 && KindOf(key) != Kind::None) code = EEXIST;
    if (code != 0) {
        error = Errno(code);
        return false;
    }
    auto file = std::make_shared<File>();
    Put(key, file);
    fd_ = NewOpening(std::move(file));
    return true;
}

bool NewFile::TakePermissionsOf(const fs::path& target, std::error_code& error) {
    Name* name = nullptr;
    const Kind kind = KindOf(Key(target), &name);
    if (kind == Kind::None) return true;  // a new file: the defaults
    if (kind == Kind::NotFolder) {
        error = Errno(ENOTDIR);
        return false;
    }
    if (kind != Kind::File) return true;
    if (name->file->readOnly) {
        error = std::make_error_code(std::errc::permission_denied);
        return false;
    }
    return true;
}

bool NewFile::Write(std::string_view bytes, std::error_code&) {
    State().openings[fd_].file->bytes.append(bytes);
    return true;
}

bool NewFile::Flush(std::error_code&) { return true; }

bool NewFile::Close(std::error_code&) {
    if (fd_ >= 0) CloseOpening(fd_);
    fd_ = -1;
    return true;
}

bool IsAlreadyThere(const std::error_code& error) { return error == std::errc::file_exists; }

bool MakeRenameDurable(const fs::path& renamed, std::error_code& error) {
    MakeDirectoryDurable(renamed.parent_path(), error);
    return !error;
}

}  // namespace native

// ---- FileSystem.h ----

fs::file_status Status(const fs::path& path, std::error_code& error) { return StatusOf(path, error); }
fs::file_status SymlinkStatus(const fs::path& path, std::error_code& error) { return StatusOf(path, error); }

bool IsDirectory(const fs::path& path, std::error_code& error) {
    return StatusOf(path, error).type() == fs::file_type::directory;
}

bool IsDirectory(const fs::path& path) {
    std::error_code error;
    const fs::file_status status = StatusOf(path, error);
    if (error && status.type() != fs::file_type::not_found) throw fs::filesystem_error("is_directory", path, error);
    return status.type() == fs::file_type::directory;
}

bool IsRegularFile(const fs::path& path, std::error_code& error) {
    return StatusOf(path, error).type() == fs::file_type::regular;
}

bool Exists(const fs::path& path, std::error_code& error) {
    const fs::file_status status = StatusOf(path, error);
    if (status.type() == fs::file_type::not_found) error.clear();
    return status.type() != fs::file_type::not_found;
}

bool IsEmpty(const fs::path& path, std::error_code& error) {
    error.clear();
    const Key pathKey(path);
    const std::string_view key = pathKey;
    Name* name = nullptr;
    const Kind kind = KindOf(key, &name);
    if (kind == Kind::File) return name->file->bytes.empty();
    if (kind == Kind::Folder) return !HasChildren(key);
    error = Errno(Missing(kind));
    return false;
}

bool Equivalent(const fs::path& a, const fs::path& b, std::error_code& error) {
    error.clear();
    const Key firstKey(a), secondKey(b);
    const std::string_view first = firstKey, second = secondKey;
    Name* firstName = nullptr;
    Name* secondName = nullptr;
    const Kind firstKind = KindOf(first, &firstName), secondKind = KindOf(second, &secondName);
    if (firstKind == Kind::None || firstKind == Kind::NotFolder || secondKind == Kind::None ||
        secondKind == Kind::NotFolder) {
        error = Errno(ENOENT);
        return false;
    }
    if (firstKind != secondKind) return false;
    return firstKind == Kind::File ? firstName->file == secondName->file : first == second;
}

fs::file_time_type LastWriteTime(const fs::path& path, std::error_code& error) {
    error.clear();
    Name* name = nullptr;
    const Kind kind = KindOf(Key(path), &name);
    if (name) return name->written;
    if (kind == Kind::Folder) return fs::file_time_type::clock::now();  // the root
    error = Errno(Missing(kind));
    return fs::file_time_type::min();
}

std::uintmax_t FileSize(const fs::path& path, std::error_code& error) {
    error.clear();
    Name* name = nullptr;
    const Kind kind = KindOf(Key(path), &name);
    if (kind == Kind::File) return name->file->bytes.size();
    error = Errno(kind == Kind::Folder ? EISDIR : Missing(kind));
    return static_cast<std::uintmax_t>(-1);
}

bool CreateDirectory(const fs::path& path, std::error_code& error) {
    error.clear();
    const Key pathKey(path);
    const std::string_view key = pathKey;
    const Kind kind = KindOf(key);
    if (kind == Kind::Folder) return false;
    int code = kind == Kind::File ? EEXIST : ParentFault(key);
    if (code != 0) {
        error = Errno(code);
        return false;
    }
    Put(key, nullptr);
    return true;
}

bool CreateDirectory(const fs::path& path) {
    std::error_code error;
    const bool created = CreateDirectory(path, error);
    if (error) throw fs::filesystem_error("create_directory", path, error);
    return created;
}

bool CreateDirectories(const fs::path& path) {
    const Key pathKey(path);
    const std::string_view key = pathKey;
    if (KindOf(key) == Kind::Folder) return false;
    if (key != "/") CreateDirectories(fs::path(std::string(Parent(key))));
    return CreateDirectory(fs::path(key));
}

bool Remove(const fs::path& path, std::error_code& error) {
    error.clear();
    const int code = RemoveName(path);
    if (code != 0 && code != ENOENT) error = Errno(code);
    return code == 0;
}

std::uintmax_t RemoveAll(const fs::path& path, std::error_code& error) {
    error.clear();
    const Key pathKey(path);
    const std::string_view key = pathKey;
    const Kind kind = KindOf(key);
    if (kind == Kind::None || kind == Kind::NotFolder) return 0;
    auto& names = State().names;
    std::uintmax_t removed = 0;
    for (auto it = names.upper_bound(key); it != names.end() && IsUnder(it->first, key); ++removed) it = names.erase(it);
    if (const auto it = names.find(key); it != names.end()) {
        names.erase(it);
        ++removed;
    }
    Touch(Parent(key));
    return removed;
}

bool CopyFile(const fs::path& from, const fs::path& to, fs::copy_options options, std::error_code& error) {
    error.clear();
    Name* source = nullptr;
    Name* target = nullptr;
    const Key targetKeyKey(to);
    const std::string_view targetKey = targetKeyKey;
    const Kind sourceKind = KindOf(Key(from), &source);
    const Kind targetKind = KindOf(targetKey, &target);
    int code = 0;
    if (sourceKind == Kind::Folder) code = EISDIR;
    else if (sourceKind != Kind::File) code = Missing(sourceKind);
    else if (targetKind == Kind::Folder) code = EISDIR;
    else if (targetKind == Kind::File && (options & fs::copy_options::overwrite_existing) == fs::copy_options::none)
        code = EEXIST;
    else if (targetKind == Kind::File && target->file == source->file) code = EINVAL;
    else if (targetKind == Kind::File && target->file->readOnly) code = EACCES;
    else if (targetKind != Kind::File) code = ParentFault(targetKey);
    if (code != 0) {
        error = Errno(code);
        return false;
    }
    if (targetKind == Kind::File) {
        target->file->bytes = source->file->bytes;  // written in place, as the hard links of it see
        target->written = fs::file_time_type::clock::now();
    } else {
        auto file = std::make_shared<File>();
        file->bytes = source->file->bytes;
        Put(targetKey, std::move(file));
    }
    return true;
}

bool CopyFile(const fs::path& from, const fs::path& to, fs::copy_options options) {
    std::error_code error;
    const bool copied = CopyFile(from, to, options, error);
    if (error) throw fs::filesystem_error("copy_file", from, to, error);
    return copied;
}

void CreateFileInPlace(const fs::path& path, std::error_code& error) {
    error.clear();
    const Key pathKey(path);
    const std::string_view key = pathKey;
    Name* name = nullptr;
    const Kind kind = KindOf(key, &name);
    int code = 0;
    if (kind == Kind::Folder) code = EISDIR;
    else if (kind == Kind::File && name->file->readOnly) code = EACCES;
    else if (kind == Kind::NotFolder) code = ENOTDIR;
    else if (kind == Kind::None) code = ParentFault(key);
    if (code != 0) {
        error = Errno(code);
        return;
    }
    if (kind == Kind::File) {
        name->file->bytes.clear();
        name->written = fs::file_time_type::clock::now();
    } else {
        Put(key, std::make_shared<File>());
    }
}

std::unique_ptr<std::istream> OpenForReading(const fs::path& path) {
    Name* name = nullptr;
    if (KindOf(Key(path), &name) != Kind::File) return nullptr;
    return std::make_unique<std::istringstream>(name->file->bytes);
}

// ---- FilesInMemory.h: the fuzz targets' own access ----

namespace memory {

void MakeReadOnly(const fs::path& path, bool readOnly) {
    Name* name = nullptr;
    if (KindOf(Key(path), &name) == Kind::File) name->file->readOnly = readOnly;
}

void PutFile(const fs::path& path, std::string_view bytes) {
    const Key pathKey(path);
    const std::string_view key = pathKey;
    Name* name = nullptr;
    if (ParentFault(key) != 0 || KindOf(key, &name) == Kind::Folder) {
        std::fprintf(stderr, "cannot put %s\n", std::string(key).c_str());
        std::abort();
    }
    auto file = std::make_shared<File>();
    file->bytes.assign(bytes);
    Put(key, std::move(file));
}

std::size_t OpenFiles() { return State().openings.size() - State().freeOpenings.size(); }

}  // namespace memory

}  // namespace vindeleo::platform
