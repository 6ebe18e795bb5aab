#pragma once
// The folders registered for removal on an interruption, shared by the
// POSIX and the Windows watcher. Private to the platform layer.

#include <filesystem>
#include <mutex>
#include <vector>

namespace vindeleo::platform::interrupt {

struct Registry {
    std::mutex mutex;
    std::vector<std::filesystem::path> folders;
};

Registry& Folders();

// Removes every registered folder, without following links; a file that the
// interrupted run is still creating is caught by trying again.
void RemoveRegisteredFolders();

}  // namespace vindeleo::platform::interrupt
