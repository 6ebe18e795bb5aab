#pragma once
// The questions about files and folders, and the folder operations, that the
// table engine, the runs and the document reader ask of the file system, in
// the shapes and with the errors of std::filesystem. They live in one place,
// beside the native file functions (Files.h), so that a build can answer all
// of them from elsewhere: the fuzz targets link an in-memory file system in
// place of FileSystem.cpp and the native files.

#include <cstdint>
#include <filesystem>
#include <istream>
#include <memory>
#include <system_error>

namespace vindeleo::platform {

std::filesystem::file_status Status(const std::filesystem::path& path, std::error_code& error);
std::filesystem::file_status SymlinkStatus(const std::filesystem::path& path, std::error_code& error);
bool IsDirectory(const std::filesystem::path& path, std::error_code& error);
bool IsDirectory(const std::filesystem::path& path);
bool IsRegularFile(const std::filesystem::path& path, std::error_code& error);
bool Exists(const std::filesystem::path& path, std::error_code& error);
bool IsEmpty(const std::filesystem::path& path, std::error_code& error);
bool Equivalent(const std::filesystem::path& a, const std::filesystem::path& b, std::error_code& error);
std::filesystem::file_time_type LastWriteTime(const std::filesystem::path& path, std::error_code& error);
std::uintmax_t FileSize(const std::filesystem::path& path, std::error_code& error);

bool CreateDirectory(const std::filesystem::path& path, std::error_code& error);
bool CreateDirectory(const std::filesystem::path& path);
bool CreateDirectories(const std::filesystem::path& path);
// Deletes a file or an empty folder; false when nothing was there.
bool Remove(const std::filesystem::path& path, std::error_code& error);
std::uintmax_t RemoveAll(const std::filesystem::path& path, std::error_code& error);
bool CopyFile(const std::filesystem::path& from, const std::filesystem::path& to, std::filesystem::copy_options options,
              std::error_code& error);
bool CopyFile(const std::filesystem::path& from, const std::filesystem::path& to, std::filesystem::copy_options options);

// Creates a file, or empties an existing one, in place (no temporary name).
void CreateFileInPlace(const std::filesystem::path& path, std::error_code& error);
// A stream that reads the file from its start, or nothing when the file cannot
// be opened.
std::unique_ptr<std::istream> OpenForReading(const std::filesystem::path& path);

}  // namespace vindeleo::platform
