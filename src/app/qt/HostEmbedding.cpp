#include "app/qt/HostEmbedding.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <cstdlib>

#ifdef VINDELEO_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace vindeleo {

// The Qt windows run on X11 (the Windows build has windows of its own).
bool HostWindowExists(std::uint32_t handle) {
#ifdef VINDELEO_HAVE_XCB
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection() || handle == 0) return false;
    xcb_connection_t* connection = x11->connection();
    xcb_generic_error_t* error = nullptr;
    xcb_get_window_attributes_reply_t* reply =
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, handle), &error);
    const bool exists = reply != nullptr && error == nullptr;
    std::free(reply);
    std::free(error);
    return exists;
#else
    (void)handle;
    return false;
#endif
}

bool EmbedInHostWindow(QWidget& window, std::uint32_t handle) {
    if (!HostWindowExists(handle)) return false;
    // The foreign window lives as long as the program: the main window stays
    // its child until the program ends.
    QWindow* host = QWindow::fromWinId(static_cast<WId>(handle));
    if (!host) return false;
    window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    window.winId();  // the window gets its native window now, to be given its parent
    window.windowHandle()->setParent(host);
    return true;
}

}  // namespace vindeleo
