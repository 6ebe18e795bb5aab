#pragma once
// Puts the main window inside the host's window: a borderless child of the
// window whose handle the host gave (an X11 window id, or an HWND on Windows).

#include <cstdint>

class QWidget;

namespace vindeleo {

// True when a window of that handle exists on this display. On a platform
// that cannot reach foreign windows the answer is false.
bool HostWindowExists(std::uint32_t handle);

// Makes the window a borderless child of the host's window. Returns false, and
// leaves the window as it was, when no such window exists or the platform
// cannot embed.
bool EmbedInHostWindow(QWidget& window, std::uint32_t handle);

}  // namespace vindeleo
