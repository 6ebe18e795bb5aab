#pragma once
// Folders that must not outlive the process, removed even when the user
// interrupts it: POSIX SIGINT, SIGTERM and SIGHUP; on Windows Ctrl+C,
// Ctrl+Break, closing the console window, logging off and shutting down.
// After the removal the process ends as the interruption would have ended it.
// A kill cannot be caught: a folder left by a killed process is found and
// removed by a later run (see the check's scratch folders).

#include <filesystem>

namespace vindeleo::platform {

void RemoveOnInterrupt(const std::filesystem::path& dir);
void ForgetOnInterrupt(const std::filesystem::path& dir);

}  // namespace vindeleo::platform
