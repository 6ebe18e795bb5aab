#include "app/win32/Look.h"

#include <algorithm>

#include "app/win32/ErrorBox.h"
#include "platform/WideText.h"

namespace vindeleo::win32 {

namespace {
constexpr const wchar_t* kPanelClass = L"VindeleoGradientPanel";
constexpr int kGlyphSize = 16;
constexpr COLORREF kNone = 0xFFFFFFFF;  // no pen, or no fill

COLORREF Blend(COLORREF from, COLORREF to, int step, int steps) {
    const auto mix = [&](int a, int b) { return a + (b - a) * step / std::max(steps, 1); };
    return RGB(mix(GetRValue(from), GetRValue(to)), mix(GetGValue(from), GetGValue(to)),
               mix(GetBValue(from), GetBValue(to)));
}

// Row by row: start to middle over the upper half, middle to end below.
void PaintGradient(HDC dc, const RECT& area, const design::Gradient& gradient) {
    const int height = area.bottom - area.top;
    const int half = height / 2;
    const COLORREF start = ColourOf(gradient.start);
    const COLORREF middle = ColourOf(gradient.middle);
    const COLORREF end = ColourOf(gradient.end);
    for (int row = 0; row < height; ++row) {
        const COLORREF colour =
            row < half ? Blend(start, middle, row, half) : Blend(middle, end, row - half, height - half);
        const OwnedBrush brush(CreateSolidBrush(colour));
        const RECT line{area.left, area.top + row, area.right, area.top + row + 1};
        FillRect(dc, &line, brush.get());
    }
}

LRESULT HandlePanel(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND: {
            RECT area;
            GetClientRect(panel, &area);
            const auto* gradient = reinterpret_cast<const design::Gradient*>(GetWindowLongPtrW(panel, GWLP_USERDATA));
            if (gradient) PaintGradient(reinterpret_cast<HDC>(wParam), area, *gradient);
            return 1;
        }
        case WM_NCDESTROY:
            delete reinterpret_cast<design::Gradient*>(GetWindowLongPtrW(panel, GWLP_USERDATA));
            break;
        case WM_CTLCOLORSTATIC: {
            // Labels over the gradient: transparent, in the colour their window asks for.
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetBkMode(dc, TRANSPARENT);
            const LRESULT asked = SendMessageW(GetParent(panel), kLabelColour, wParam, lParam);
            SetTextColor(dc, asked ? static_cast<COLORREF>(asked - 1) : GetSysColor(COLOR_WINDOWTEXT));
            return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        }
        case WM_COMMAND:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
            return SendMessageW(GetParent(panel), message, wParam, lParam);
    }
    return DefWindowProcW(panel, message, wParam, lParam);
}

LRESULT CALLBACK PanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    return Guarded(GetParent(panel), [&] { return HandlePanel(panel, message, wParam, lParam); });
}

void RegisterPanelClass() {
    static const bool registered = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = PanelProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kPanelClass;
        return RegisterClassW(&windowClass) != 0;
    }();
    (void)registered;
}

// An icon from a drawing made twice: in colour on black, and in black on the
// white (transparent) mask. The drawing is given on a 16 by 16 grid, scaled
// to the screen's resolution.
template <typename Draw>
OwnedIcon DrawnIcon(Draw draw) {
    const int size = Scaled(kGlyphSize);
    const WindowDc screen(nullptr);
    const OwnedMemoryDc dc(CreateCompatibleDC(screen.get()));
    SetMapMode(dc.get(), MM_ANISOTROPIC);
    SetWindowExtEx(dc.get(), kGlyphSize, kGlyphSize, nullptr);
    SetViewportExtEx(dc.get(), size, size, nullptr);
    const OwnedBitmap colour(CreateCompatibleBitmap(screen.get(), size, size));
    const OwnedBitmap mask(CreateBitmap(size, size, 1, 1, nullptr));
    const RECT all{0, 0, kGlyphSize, kGlyphSize};
    {
        const Selected drawing(dc.get(), colour.get());
        FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        draw(dc.get(), false);
    }
    {
        const Selected drawing(dc.get(), mask.get());
        FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        draw(dc.get(), true);
    }
    ICONINFO info{TRUE, 0, 0, mask.get(), colour.get()};
    return OwnedIcon(CreateIconIndirect(&info));  // the icon has copies of the bitmaps
}

void DrawWith(HDC dc, COLORREF pen, int width, COLORREF brush, bool onMask, auto shape) {
    const OwnedPen thePen(pen == kNone ? nullptr : CreatePen(PS_SOLID, width, onMask ? RGB(0, 0, 0) : pen));
    const OwnedBrush theBrush(brush == kNone ? nullptr : CreateSolidBrush(onMask ? RGB(0, 0, 0) : brush));
    const Selected penSelected(dc, thePen ? static_cast<HGDIOBJ>(thePen.get()) : GetStockObject(NULL_PEN));
    const Selected brushSelected(dc, theBrush ? static_cast<HGDIOBJ>(theBrush.get()) : GetStockObject(NULL_BRUSH));
    shape();
}
}  // namespace

std::wstring Wide(const std::string& text1252) { return platform::wide::Widened(platform::wide::kWindows1252, text1252); }

std::string Narrow(const std::wstring& text) { return platform::wide::Narrowed(platform::wide::kWindows1252, text); }

std::string WindowText1252(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return Narrow(text);
}

int ScreenDpi() {
    const WindowDc screen(nullptr);
    const int dpi = GetDeviceCaps(screen.get(), LOGPIXELSY);
    return dpi > 0 ? dpi : 96;
}

int Scaled(int length) {
    static const int dpi = ScreenDpi();
    return MulDiv(length, dpi, 96);
}

HWND CreateGradientPanel(HWND parent, const design::Gradient& gradient, design::Box place) {
    RegisterPanelClass();
    // WS_EX_CONTROLPARENT: the keyboard's tab order runs through the panel's buttons.
    // WS_CLIPSIBLINGS: where panels overlap, the one created first lies on top.
    HWND panel = CreateWindowExW(WS_EX_CONTROLPARENT, kPanelClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                                 Scaled(place.x), Scaled(place.y), Scaled(place.width), Scaled(place.height), parent,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    // The panel owns its gradient from here on and deletes it when it goes (WM_NCDESTROY).
    if (panel) SetWindowLongPtrW(panel, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new design::Gradient(gradient)));
    return panel;
}

OwnedFont DesignFont(const design::Font& font) {
    return OwnedFont(CreateFontW(-MulDiv(font.points, ScreenDpi(), 72), 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE,
                       FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, Wide(font.face).c_str()));
}

HWND PlacedControl(HWND parent, const wchar_t* className, const std::string& text1252, DWORD style, int id,
                   design::Box place, HFONT font) {
    HWND control = CreateWindowExW(0, className, Wide(text1252).c_str(), WS_CHILD | WS_VISIBLE | style, Scaled(place.x),
                                   Scaled(place.y), Scaled(place.width), Scaled(place.height), parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                   nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

OwnedIcon CheckMarkGlyph() {
    return DrawnIcon([](HDC dc, bool onMask) {
        DrawWith(dc, ColourOf(design::kCheckMarkGreen), 3, kNone, onMask, [&] {
            const POINT tick[] = {{3, 8}, {6, 12}, {13, 3}};
            Polyline(dc, tick, 3);
        });
    });
}

OwnedIcon CloseGlyph() {
    return DrawnIcon([](HDC dc, bool onMask) {
        DrawWith(dc, ColourOf(design::kDoorOutline), 1, ColourOf(design::kDoorWood), onMask,
                 [&] { Rectangle(dc, 2, 1, 10, 15); });
        DrawWith(dc, kNone, 0, ColourOf(design::kDoorArrow), onMask, [&] {
            const POINT arrow[] = {{8, 7}, {12, 7}, {12, 4}, {16, 8}, {12, 12}, {12, 9}, {8, 9}};
            Polygon(dc, arrow, 7);
        });
    });
}

void SetClientSize(HWND window, int width, int height) {
    RECT frame{0, 0, Scaled(width), Scaled(height)};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)));
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace vindeleo::win32
