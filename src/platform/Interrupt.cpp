#include <algorithm>

#include "platform/Interrupt.h"
#include "platform/InterruptCommon.h"

namespace vindeleo::platform::interrupt {

namespace fs = std::filesystem;

Registry& Folders() {
    static Registry registry;
    return registry;
}

void RemoveRegisteredFolders() {
    std::lock_guard<std::mutex> hold(Folders().mutex);
    for (const fs::path& folder : Folders().folders)
        for (int attempt = 0; attempt < 5; ++attempt) {
            std::error_code error;
            fs::remove_all(folder, error);  // removes a link, never what it points to
            if (!error) break;
        }
    Folders().folders.clear();
}

}  // namespace vindeleo::platform::interrupt

namespace vindeleo::platform {

void ForgetOnInterrupt(const std::filesystem::path& dir) {
    auto& registry = interrupt::Folders();
    std::lock_guard<std::mutex> hold(registry.mutex);
    std::erase(registry.folders, dir);
}

}  // namespace vindeleo::platform
