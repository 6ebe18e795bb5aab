#include "platform/Files.h"

#include <algorithm>
#include <cstdint>
#include <random>

#include "platform/FileSystem.h"
#include "platform/NativeFiles.h"
#include "platform/PathText.h"

namespace vindeleo::platform {

namespace fs = std::filesystem;

namespace {

constexpr int kNameAttempts = 100;
constexpr int kFolderAttempts = 102;

std::vector<fs::path>& DeferredDirectories() {
    static std::vector<fs::path> directories;
    return directories;
}

bool IsDeferred(const fs::path& dir) {
    const auto& deferred = DeferredDirectories();
    return std::find(deferred.begin(), deferred.end(), dir) != deferred.end();
}

// ".NAME.xxxxxxxx.tmp" beside the target: hidden on Linux, and never a name
// that the case-insensitive lookup takes for the target.
fs::path TemporaryBeside(const fs::path& target, std::uint32_t number) {
    static const char kHex[] = "0123456789abcdef";
    std::string suffix = ".";
    for (int shift = 28; shift >= 0; shift -= 4) suffix += kHex[(number >> shift) & 0xF];
    suffix += ".tmp";
    fs::path name = PathFromText(".");
    name += target.filename();
    name += PathFromText(suffix);
    return target.parent_path() / name;
}

bool CreateTemporary(const fs::path& target, native::NewFile& file, fs::path& temporary, std::error_code& error) {
    static std::mt19937 numbers{std::random_device{}()};
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        temporary = TemporaryBeside(target, static_cast<std::uint32_t>(numbers()));
        if (file.Create(temporary, error)) return true;
        if (!native::IsAlreadyThere(error)) break;
    }
    temporary.clear();
    return false;
}

// Writes one new file beside its target; temporary names it once created.
bool WriteTemporary(const Replacement& file, fs::path& temporary, std::error_code& error) {
    native::NewFile out;
    if (!CreateTemporary(file.path, out, temporary, error)) return false;
    bool ok = out.TakePermissionsOf(file.path, error);
    for (const auto chunk : file.chunks)
        if (ok && !chunk.empty()) ok = out.Write(chunk, error);
    if (ok && !IsDeferred(file.path.parent_path())) ok = out.Flush(error);
    std::error_code closing;
    if (!out.Close(closing) && ok) {
        error = closing;
        ok = false;
    }
    return ok;
}

}  // namespace

void ReplaceFiles(const std::vector<Replacement>& files, std::error_code& error) {
    error.clear();
    std::vector<fs::path> temporaries(files.size());
    bool ready = true;
    for (std::size_t i = 0; ready && i < files.size(); ++i) ready = WriteTemporary(files[i], temporaries[i], error);
    for (std::size_t i = 0; ready && i < files.size(); ++i) {
        RenameOver(temporaries[i], files[i].path, error);
        ready = !error;
        if (ready) {
            temporaries[i].clear();
            if (!IsDeferred(files[i].path.parent_path())) ready = native::MakeRenameDurable(files[i].path, error);
        }
    }
    for (const auto& temporary : temporaries) {
        std::error_code ignored;
        if (!temporary.empty()) RemoveFile(temporary, ignored);
    }
}

bool ReadContent(const fs::path& path, std::string& bytes, std::error_code& error, std::size_t limit) {
    bytes.clear();
    error.clear();
    LockedFile file;
    const LockedFile::Status status = file.Open(path, /*exclusive=*/false, error);
    if (status == LockedFile::Status::InUse && !error) error = std::make_error_code(std::errc::device_or_resource_busy);
    if (status != LockedFile::Status::Ok) return false;
    return file.ReadAll(bytes, error, limit);
}

void ReplaceContent(const fs::path& path, const std::vector<std::string_view>& chunks, std::error_code& error) {
    ReplaceFiles({{path, chunks}}, error);
}

void DeferDurability(const fs::path& dir) { DeferredDirectories().push_back(dir); }

void EndDeferredDurability(const fs::path& dir) {
    auto& deferred = DeferredDirectories();
    const auto it = std::find(deferred.begin(), deferred.end(), dir);
    if (it != deferred.end()) deferred.erase(it);
}

void RenameOver(const fs::path& from, const fs::path& to) {
    std::error_code error;
    RenameOver(from, to, error);
    if (error) throw fs::filesystem_error("rename", from, to, error);
}

void MakeDirectoryDurable(const fs::path& dir) {
    std::error_code error;
    MakeDirectoryDurable(dir, error);
    if (error) throw fs::filesystem_error("flush", dir, error);
}

void RemoveFile(const fs::path& path) {
    std::error_code error;
    RemoveFile(path, error);
    if (error) throw fs::filesystem_error("remove", path, error);
}

namespace native {

FileFault FaultOfErrno(const std::error_code& error) {
    if (!error) return FileFault::None;
    if (error == std::errc::no_such_file_or_directory) return FileFault::NotFound;
    if (error == std::errc::permission_denied || error == std::errc::operation_not_permitted)
        return FileFault::AccessDenied;
    if (error == std::errc::no_space_on_device) return FileFault::DiskFull;
    if (error == std::errc::read_only_file_system) return FileFault::ReadOnly;
    if (error == std::errc::io_error) return FileFault::DiskError;
    if (error == std::errc::device_or_resource_busy || error == std::errc::resource_unavailable_try_again)
        return FileFault::InUse;
    // A link where a plain file was opened (O_NOFOLLOW), a device or a FIFO.
    if (error == std::errc::too_many_symbolic_link_levels || error == std::errc::no_such_device_or_address)
        return FileFault::NotPlainFile;
    return FileFault::Other;
}

}  // namespace native

fs::path MakeFreshFolder(const fs::path& parent, std::string_view prefix, std::error_code& error) {
    error.clear();
    std::random_device random;
    for (int attempt = 0; attempt < kFolderAttempts; ++attempt) {
        const fs::path folder = parent / PathFromText(std::string(prefix) + std::to_string(random()));
        if (CreateDirectory(folder, error)) return folder;
        if (error) break;
    }
    return {};
}

bool WrittenLongerAgo(const fs::path& path, std::chrono::seconds age) {
    std::error_code error;
    const auto written = LastWriteTime(path, error);
    return !error && fs::file_time_type::clock::now() - written > age;
}

}  // namespace vindeleo::platform
