#pragma once
// The operating system's side of a table file: opening it under a lock that
// keeps other programs out, reading it, and replacing it whole so that a crash
// never leaves a half-written table.
//
// Linux and other POSIX systems: advisory flock() locks, exclusive (LOCK_EX)
// for an exclusive opening and shared (LOCK_SH) otherwise, never waiting.
// Windows: the share mode of the open handle does the same (no sharing for an
// exclusive opening, read sharing otherwise).

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace vindeleo::dbf {

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
    // The whole content of the open file.
    bool ReadAll(std::string& bytes, std::error_code& error);
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

// Whether some other opening (of this or another process) holds the file.
bool IsHeldElsewhere(const std::filesystem::path& path);

// Writes the chunks, in order, into a new file beside path, makes it durable
// and renames it over path.
void WriteReplacing(const std::filesystem::path& path, const std::vector<std::string_view>& chunks,
                    std::error_code& error);

// A file to replace and its new content, in chunks.
struct Replacement {
    std::filesystem::path path;
    std::vector<std::string_view> chunks;
};
// Replaces files that belong together (a table and its index): every new
// file is written and made durable beside its old one first, and only when
// all are ready are they renamed over the old ones, in the given order. On a
// failure before the renaming no file is touched.
void WriteReplacingAll(const std::vector<Replacement>& files, std::error_code& error);

// The Spanish reason for a system error, for the table messages.
std::string ReasonText(const std::error_code& error);

// Tables written into a registered directory are not flushed to disk one by
// one on closing; whoever registered it flushes the directory at once
// (MakeDirectoryDurable) before relying on its files.
void DeferDurability(const std::filesystem::path& dir);
void EndDeferredDurability(const std::filesystem::path& dir);
// Flushes to disk the files written under dir, and dir's own entries.
void MakeDirectoryDurable(const std::filesystem::path& dir);

}  // namespace vindeleo::dbf
