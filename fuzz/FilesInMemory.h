#pragma once
// What the fuzz targets ask of the in-memory file system (FilesInMemory.cpp)
// beyond the platform layer's own functions, through which they make, read
// and empty their folders like the library does.

#include <cstddef>
#include <filesystem>
#include <string_view>

namespace vindeleo::platform::memory {

// Marks a file read-only (or writable again), as its permission bits would.
void MakeReadOnly(const std::filesystem::path& path, bool readOnly);
// Makes path a file holding bytes, in one step and with no file of the
// library's involved: how a target lays out its input (aborts when path's
// folder is missing or path is a folder).
void PutFile(const std::filesystem::path& path, std::string_view bytes);
// How many openings of files (locked files, new files) are open now.
std::size_t OpenFiles();

}  // namespace vindeleo::platform::memory
