#pragma once
// What ReplaceFiles asks of the operating system, one implementation for
// POSIX (FilesPosix.cpp) and one for Windows (FilesWindows.cpp). Private to
// the platform layer.

#include <filesystem>
#include <string_view>
#include <system_error>

#include "platform/Files.h"

namespace vindeleo::platform::native {

// A file created by this process for writing, closed by Close or the
// destructor.
class NewFile {
public:
    NewFile() = default;
    ~NewFile();
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    // Creates path, which must not exist yet, so that two writers never share
    // one file; an existing one sets an error that IsAlreadyThere tells.
    bool Create(const std::filesystem::path& path, std::error_code& error);
    // Gives the file the permissions of target when target exists.
    bool TakePermissionsOf(const std::filesystem::path& target, std::error_code& error);
    bool Write(std::string_view bytes, std::error_code& error);
    // Makes what was written durable on disk.
    bool Flush(std::error_code& error);
    bool Close(std::error_code& error);

private:
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

bool IsAlreadyThere(const std::error_code& error);

// What kind of failure an errno value is (std::errc): every error on POSIX,
// and on Windows those of the C runtime and of parts of the C++ library.
FileFault FaultOfErrno(const std::error_code& error);

// Makes the directory entry of a file just renamed durable (POSIX: the
// directory is flushed; Windows renames write through already).
bool MakeRenameDurable(const std::filesystem::path& renamed, std::error_code& error);

}  // namespace vindeleo::platform::native
