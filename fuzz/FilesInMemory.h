#pragma once
// What the fuzz targets ask of the in-memory file system (FilesInMemory.cpp)
// beyond the platform layer's own functions, through which they make, read
// and empty their folders like the library does.

#include <cstddef>
#include <filesystem>

namespace vindeleo::platform::memory {

// Marks a file read-only (or writable again), as its permission bits would.
void MakeReadOnly(const std::filesystem::path& path, bool readOnly);
// How many openings of files (locked files, new files) are open now.
std::size_t OpenFiles();

}  // namespace vindeleo::platform::memory
