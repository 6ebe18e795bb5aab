// Interruptions on Windows: the console's control handler runs in a thread of
// its own; it removes the folders and lets the default handler end the
// process.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <mutex>

#include "platform/Interrupt.h"
#include "platform/InterruptCommon.h"

namespace vindeleo::platform {

namespace {

BOOL WINAPI OnConsoleControl(DWORD) {
    try {
        interrupt::RemoveRegisteredFolders();
    } catch (...) {
    }
    return FALSE;  // the default handler ends the process
}

}  // namespace

void RemoveOnInterrupt(const std::filesystem::path& dir) {
    static std::once_flag started;
    std::call_once(started, [] { SetConsoleCtrlHandler(OnConsoleControl, TRUE); });
    auto& registry = interrupt::Folders();
    std::lock_guard<std::mutex> hold(registry.mutex);
    registry.folders.push_back(dir);
}

}  // namespace vindeleo::platform
