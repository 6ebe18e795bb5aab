#pragma once
// The look shared by the Win32 windows: the design's colours, places and
// fonts (session/Design.h, given at 96 dots per inch) scaled to the screen's
// resolution, gradient panels, and the buttons' glyphs.

#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>

#include "session/Design.h"

namespace vindeleo::win32 {

// Owners of the GDI objects, icons and device contexts that the windows make,
// which give them back to the system when they go, also when an exception
// passes.
struct DeleteGdiObject {
    void operator()(void* object) const { DeleteObject(static_cast<HGDIOBJ>(object)); }
};
struct DestroyIconHandle {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct DeleteMemoryDc {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
using OwnedFont = std::unique_ptr<std::remove_pointer_t<HFONT>, DeleteGdiObject>;
using OwnedBrush = std::unique_ptr<std::remove_pointer_t<HBRUSH>, DeleteGdiObject>;
using OwnedPen = std::unique_ptr<std::remove_pointer_t<HPEN>, DeleteGdiObject>;
using OwnedBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, DeleteGdiObject>;
using OwnedIcon = std::unique_ptr<std::remove_pointer_t<HICON>, DestroyIconHandle>;
using OwnedMemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, DeleteMemoryDc>;

// The device context of a window (of the screen for none), released when it goes.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// An object selected into a device context for the lifetime of this, the
// one it replaced selected again after.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ object) : dc_(dc), replaced_(SelectObject(dc, object)) {}
    ~Selected() { SelectObject(dc_, replaced_); }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    HDC dc_;
    HGDIOBJ replaced_;
};

// Windows-1252 text as the UTF-16 that the W functions take.
std::wstring Wide(const std::string& text1252);
// UTF-16 as Windows-1252 ('?' for a character that it lacks).
std::string Narrow(const std::wstring& text);
// A window's text as Windows-1252.
std::string WindowText1252(HWND window);

// The screen's dots per inch (96 at 100 %).
int ScreenDpi();
// A length of the design (at 96 dots per inch) on this screen.
int Scaled(int length);

// A colour of the design.
constexpr COLORREF ColourOf(design::Rgb colour) { return RGB(colour.red, colour.green, colour.blue); }

// A child window painted from top to bottom with a three-colour gradient; its
// labels are drawn transparent over it, and it passes its children's commands
// and colour requests on to the window that holds it. Place in design units.
// A label's text colour is asked of that window with kLabelColour (wParam the
// device context, lParam the label): the answer is the colour plus one, or 0
// for the system's text colour.
inline constexpr UINT kLabelColour = WM_APP;
HWND CreateGradientPanel(HWND parent, const design::Gradient& gradient, design::Box place);

// A font of the design; a face that is missing is replaced by the system's
// font mapper.
OwnedFont DesignFont(const design::Font& font);

// Child controls placed in design units, with the given font.
HWND PlacedControl(HWND parent, const wchar_t* className, const std::string& text1252, DWORD style, int id,
                   design::Box place, HFONT font);

// The green check mark of an OK-kind button, and the glyph of a close-kind
// button (an open door with an arrow leading out), as icons for BM_SETIMAGE.
OwnedIcon CheckMarkGlyph();
OwnedIcon CloseGlyph();

// Sets a window's client area to the design size (scaled), for its styles.
void SetClientSize(HWND window, int width, int height);

}  // namespace vindeleo::win32
