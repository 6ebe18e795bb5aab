// Files on Windows: wide names at every call, share modes for the locks.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "platform/Files.h"
#include "platform/NativeFiles.h"

namespace vindeleo::platform {

namespace fs = std::filesystem;

namespace {

std::error_code LastError() { return std::error_code(static_cast<int>(GetLastError()), std::system_category()); }

// The Win32 codes that the system's messages tell apart. The codes are read
// here rather than through the C++ library's mapping of system errors, which
// differs between versions of mingw's library.
FileFault FaultOfWin32(int code) {
    switch (code) {
        case 0: return FileFault::None;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH: return FileFault::NotFound;
        case ERROR_ACCESS_DENIED:
        case ERROR_INVALID_ACCESS: return FileFault::AccessDenied;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_BUSY: return FileFault::InUse;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return FileFault::DiskFull;
        case ERROR_WRITE_PROTECT: return FileFault::ReadOnly;
        case ERROR_CRC:
        case ERROR_SEEK:
        case ERROR_WRITE_FAULT:
        case ERROR_READ_FAULT:
        case ERROR_GEN_FAILURE:
        case ERROR_IO_DEVICE: return FileFault::DiskError;
        case ERROR_CANT_RESOLVE_FILENAME:
        case ERROR_BAD_FILE_TYPE: return FileFault::NotPlainFile;
        default: return FileFault::Other;
    }
}

// Opens a plain file for reading: a reparse point (a symbolic link, a
// junction) is opened as itself and refused, as is a device.
HANDLE OpenForReading(const fs::path& path, DWORD share) {
    const HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return handle;
    BY_HANDLE_FILE_INFORMATION info{};
    DWORD refusal = 0;
    if (GetFileType(handle) != FILE_TYPE_DISK) refusal = ERROR_BAD_FILE_TYPE;
    else if (!GetFileInformationByHandle(handle, &info)) refusal = GetLastError();
    else if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) refusal = ERROR_CANT_RESOLVE_FILENAME;
    else if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) refusal = ERROR_BAD_FILE_TYPE;
    if (refusal == 0) return handle;
    CloseHandle(handle);
    SetLastError(refusal);
    return INVALID_HANDLE_VALUE;
}

// Virus scanners, backup and indexing services open a file that has just been
// written and let it go a moment later. An opening, rename, deletion or link
// refused the way a held file refuses it is tried again after 10, 20, 40 ...
// ms, for up to two seconds, before the file counts as held by another
// program. Windows tells a rename or deletion of a held file as "access
// denied", so that refusal is waited out too.
constexpr DWORD kFirstWaitMs = 10;
constexpr DWORD kPatienceMs = 2000;

bool IsRefusalOfAHeldFile(DWORD code) {
    return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION || code == ERROR_ACCESS_DENIED;
}

// The files that stayed refused through a whole wait. They are not waited
// for again until an operation on them succeeds, so that a table another
// program keeps open costs the wait once in a run, not at every check and
// move that meets it. Nothing here throws: the operations run while a failed
// commit is undone too; a list that cannot be kept (no memory) only waits more.
class StillHeldFiles {
public:
    bool AnyOf(std::initializer_list<const fs::path*> files) noexcept {
        try {
            std::lock_guard<std::mutex> guard(mutex_);
            for (const fs::path* file : files)
                if (held_.contains(Key(*file))) return true;
        } catch (...) {
        }
        return false;
    }
    void Add(std::initializer_list<const fs::path*> files) noexcept {
        try {
            std::lock_guard<std::mutex> guard(mutex_);
            for (const fs::path* file : files) held_.insert(Key(*file));
        } catch (...) {
        }
    }
    void Remove(std::initializer_list<const fs::path*> files) noexcept {
        try {
            std::lock_guard<std::mutex> guard(mutex_);
            if (held_.empty()) return;
            for (const fs::path* file : files) held_.erase(Key(*file));
        } catch (...) {
        }
    }

private:
    // Windows names a file in any letter case.
    static std::wstring Key(const fs::path& file) {
        std::error_code ignored;
        std::wstring key = fs::absolute(file, ignored).lexically_normal().wstring();
        CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
        return key;
    }
    std::mutex mutex_;
    std::set<std::wstring> held_;
};

StillHeldFiles& StillHeld() {
    static StillHeldFiles files;
    return files;
}

// The one way the operations on files that another program may hold for a
// moment are made: attempt (a Win32 call that tells whether it succeeded and
// leaves its failure in GetLastError) is made until it succeeds, fails for
// another reason, or the files it touches have stayed held for the whole
// wait. Returns 0 on success, otherwise the Win32 code of the last failure.
template <typename Attempt>
DWORD RetriedWhileHeld(std::initializer_list<const fs::path*> files, Attempt attempt) {
    DWORD wait = kFirstWaitMs;
    DWORD waited = 0;
    std::optional<bool> patient;  // decided at the first refusal: nothing is looked up on success
    for (;;) {
        if (attempt()) {
            StillHeld().Remove(files);
            return 0;
        }
        const DWORD code = GetLastError();
        if (!IsRefusalOfAHeldFile(code)) return code;
        if (!patient) patient = !StillHeld().AnyOf(files);
        if (!*patient) return code;
        if (waited >= kPatienceMs) {
            StillHeld().Add(files);
            return code;
        }
        const DWORD nap = std::min(wait, kPatienceMs - waited);
        Sleep(nap);
        waited += nap;
        wait *= 2;
    }
}

std::error_code Win32Error(DWORD code) { return std::error_code(static_cast<int>(code), std::system_category()); }

// A rename or deletion refused because another program has the file open
// without delete sharing comes back as "access denied"; it is told as a file
// in use, as the refused opening tells it.
std::error_code InUseWhenHeld(std::error_code error, const fs::path& path) {
    if (error.value() == ERROR_ACCESS_DENIED && IsHeldElsewhere(path))
        return std::error_code(ERROR_SHARING_VIOLATION, std::system_category());
    return error;
}

}  // namespace

NameKind KindOfName(const fs::path& path, std::error_code& error) {
    error.clear();
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        error = LastError();
        if (FaultOfWin32(error.value()) == FileFault::NotFound) error.clear();
        return NameKind::None;
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return NameKind::Link;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return NameKind::Directory;
    if (attributes & FILE_ATTRIBUTE_DEVICE) return NameKind::Special;
    return NameKind::File;
}

FileFault FaultOf(const std::error_code& error) {
    if (error.category() == std::system_category()) return FaultOfWin32(error.value());
    return native::FaultOfErrno(error);
}

LockedFile::~LockedFile() { Close(); }

LockedFile::Status LockedFile::Open(const fs::path& path, bool exclusive, std::error_code& error) {
    Close();
    HANDLE handle = INVALID_HANDLE_VALUE;
    const DWORD failure = RetriedWhileHeld({&path}, [&] {
        handle = OpenForReading(path, exclusive ? 0 : FILE_SHARE_READ);
        return handle != INVALID_HANDLE_VALUE;
    });
    if (failure != 0) {
        error = Win32Error(failure);
        switch (FaultOfWin32(error.value())) {
            case FileFault::InUse: return Status::InUse;
            case FileFault::NotFound: return Status::Missing;
            default: return Status::Failed;
        }
    }
    handle_ = handle;
    return Status::Ok;
}

bool LockedFile::ReadAll(std::string& bytes, std::error_code& error, std::size_t limit) {
    bytes.clear();
    const HANDLE handle = static_cast<HANDLE>(handle_);
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle, &size) || SetFilePointer(handle, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
        error = LastError();
        return false;
    }
    bytes.resize(std::min(static_cast<std::size_t>(size.QuadPart), limit));
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        if (!ReadFile(handle, &bytes[done], want, &got, nullptr)) {
            error = LastError();
            return false;
        }
        if (got == 0) break;
        done += got;
    }
    bytes.resize(done);
    return true;
}

// Windows renames nothing over a file that this process holds open.
void LockedFile::PrepareForReplacing() noexcept { Close(); }

void LockedFile::Close() noexcept {
    if (handle_ != nullptr) CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
}

bool LockedFile::IsOpen() const { return handle_ != nullptr; }

// A file held for a moment only is not held: the opening is waited for.
bool IsHeldElsewhere(const fs::path& path) {
    HANDLE handle = INVALID_HANDLE_VALUE;
    const DWORD failure = RetriedWhileHeld({&path}, [&] {
        handle = OpenForReading(path, 0);
        return handle != INVALID_HANDLE_VALUE;
    });
    if (failure != 0) return FaultOfWin32(static_cast<int>(failure)) == FileFault::InUse;
    CloseHandle(handle);
    return false;
}

// Windows has no flush of a whole file system for a program: each file under
// dir is flushed; the renames wrote their entries through already. A file
// that cannot be opened for writing (read-only, or held by another program)
// was not written by this process and has nothing of it to flush; one that
// was opened and fails to flush is an error.
void MakeDirectoryDurable(const fs::path& dir, std::error_code& error) {
    const auto entries = ListDirectory(dir, error);
    if (error) return;
    for (const auto& entry : entries) {
        std::error_code ignored;
        if (!entry.is_regular_file(ignored)) continue;
        const HANDLE handle = CreateFileW(entry.path().c_str(), GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) continue;
        const bool flushed = FlushFileBuffers(handle);
        if (!flushed && !error) error = LastError();
        CloseHandle(handle);
    }
}

void RenameOver(const fs::path& from, const fs::path& to, std::error_code& error) {
    error.clear();
    const DWORD failure = RetriedWhileHeld({&from, &to}, [&] {
        return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    });
    if (failure != 0) error = InUseWhenHeld(Win32Error(failure), to);
}

void MoveFolder(const fs::path& from, const fs::path& to, std::error_code& error) {
    error.clear();
    const DWORD failure =
        RetriedWhileHeld({&from, &to}, [&] { return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != 0; });
    if (failure != 0) error = Win32Error(failure);
}

void RemoveFile(const fs::path& path, std::error_code& error) {
    error.clear();
    const DWORD failure = RetriedWhileHeld({&path}, [&] { return DeleteFileW(path.c_str()) != 0; });
    if (failure == 0) return;
    error = Win32Error(failure);
    if (FaultOfWin32(error.value()) == FileFault::NotFound) error.clear();
    else error = InUseWhenHeld(error, path);
}

void MakeHardLink(const fs::path& existing, const fs::path& link, std::error_code& error) {
    error.clear();
    const DWORD failure = RetriedWhileHeld({&existing, &link},
                                           [&] { return CreateHardLinkW(link.c_str(), existing.c_str(), nullptr) != 0; });
    if (failure != 0) error = Win32Error(failure);
}

bool NamesDifferInCase() { return false; }
bool HasPermissionBits() { return false; }

namespace native {

NewFile::~NewFile() {
    std::error_code ignored;
    Close(ignored);
}

bool NewFile::Create(const fs::path& path, std::error_code& error) {
    const HANDLE handle =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = LastError();
        return false;
    }
    handle_ = handle;
    return true;
}

// The attributes of the file replaced (hidden, system, archive ...) carry
// over; read-only does not, as a read-only file is not replaced at all.
bool NewFile::TakePermissionsOf(const fs::path& target, std::error_code& error) {
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        error = LastError();
        if (FaultOfWin32(error.value()) != FileFault::NotFound) return false;
        error.clear();
        return true;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return true;
    // Windows renames nothing over a read-only file; said here, before any
    // rename, also where the system would let it happen (Wine).
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        error = std::error_code(ERROR_ACCESS_DENIED, std::system_category());
        return false;
    }
    FILE_BASIC_INFO info{};
    info.FileAttributes = (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                         FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
    if (info.FileAttributes == 0) return true;
    if (!SetFileInformationByHandle(static_cast<HANDLE>(handle_), FileBasicInfo, &info, sizeof info)) {
        error = LastError();
        return false;
    }
    return true;
}

bool NewFile::Write(std::string_view bytes, std::error_code& error) {
    while (!bytes.empty()) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(static_cast<HANDLE>(handle_), bytes.data(), want, &written, nullptr) || written == 0) {
            error = LastError();
            if (!error) error = std::error_code(ERROR_WRITE_FAULT, std::system_category());
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

bool NewFile::Flush(std::error_code& error) {
    if (FlushFileBuffers(static_cast<HANDLE>(handle_))) return true;
    error = LastError();
    return false;
}

bool NewFile::Close(std::error_code& error) {
    if (handle_ == nullptr) return true;
    const BOOL closed = CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
    if (closed) return true;
    error = LastError();
    return false;
}

bool IsAlreadyThere(const std::error_code& error) {
    return error.category() == std::system_category() &&
           (error.value() == ERROR_FILE_EXISTS || error.value() == ERROR_ALREADY_EXISTS);
}

bool MakeRenameDurable(const fs::path&, std::error_code&) { return true; }

}  // namespace native

}  // namespace vindeleo::platform
