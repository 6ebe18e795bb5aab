#include "app/win32/MainForm.h"

#include <cstdint>
#include <filesystem>
#include <optional>

#include "session/ModuleState.h"
#include "app/win32/ErrorBox.h"
#include "app/win32/Look.h"
#include "app/win32/WindowLoop.h"
#include "app/win32/Win32RunUi.h"
#include "export/ExportRun.h"
#include "import/ImportRun.h"
#include "text/Messages.h"

namespace vindeleo::win32 {

namespace {
namespace layout = design::main_window;
constexpr const wchar_t* kClass = L"VindeleoMForm";
// Posted once the window is shown: the action word's run starts from the message loop.
constexpr UINT kFormShow = WM_APP + 1;

enum ControlId : int { kBExportar = 100, kBImportar, kBClose, kButton1, kLabel1, kLabel3, kLabel4 };

// The ordinary window: a fixed dialog frame without minimise or maximise box.
constexpr DWORD kOrdinaryStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kOrdinaryExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
// Inside the host's window: a child without caption or border.
constexpr DWORD kEmbeddedStyle = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;

void RegisterClassOnce(WNDPROC procedure) {
    static const bool registered = [&] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = nullptr;  // WM_SETCURSOR chooses: the busy cursor during a run
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
        windowClass.lpszClassName = kClass;
        return RegisterClassW(&windowClass) != 0;
    }();
    (void)registered;
}

// The host's window, when the argument names one.
HWND WindowOf(std::uint32_t handle) {
    HWND window = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(handle));
    return handle != 0 && IsWindow(window) ? window : nullptr;
}
}  // namespace

TMForm::TMForm(ModuleState& state, std::vector<std::string> arguments, HtmlHelp& help)
    : session_(state, std::move(arguments), *this), help_(help) {
    RegisterClassOnce(WindowProc);
    window_ = CreateWindowExW(kOrdinaryExStyle, kClass, Wide(msg::kMainCaption).c_str(), kOrdinaryStyle, 0, 0, 0, 0,
                              nullptr, nullptr, GetModuleHandleW(nullptr), this);
    SetClientSize(window_, layout::kClientWidth, layout::kClientHeight);
    BuildControls();
    ui_ = std::make_unique<Win32RunUi>(window_, [this] { HelpContext(); });
    PlaceWindow(nullptr);  // first, so that a box shown while the window is created stands over it
    FormCreate();
}

TMForm::~TMForm() {
    if (window_) DestroyWindow(window_);
}

void TMForm::BuildControls() {
    font_ = DesignFont(design::kWindowFont);
    headingFont_ = DesignFont(design::kHeadingFont);
    versionFont_ = DesignFont(design::kBoldFont);
    checkGlyph_ = CheckMarkGlyph();
    closeGlyph_ = CloseGlyph();
    const auto glyphed = [](HWND button, const OwnedIcon& glyph) {
        SendMessageW(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(glyph.get()));
        return button;
    };

    // Created first, the lower panel lies over the upper panels' last row and
    // comes first in the tab order, then the left and the right upper panel.
    HWND lower = CreateGradientPanel(window_, design::kCoolGradient, layout::kLowerPanel);
    BClose = glyphed(PlacedControl(lower, L"BUTTON", msg::kExit, BS_PUSHBUTTON | WS_TABSTOP, kBClose, layout::kBClose,
                                   font_.get()), closeGlyph_);
    Button1 = PlacedControl(lower, L"BUTTON", msg::kHelpButton, BS_PUSHBUTTON | WS_TABSTOP, kButton1, layout::kButton1,
                            font_.get());
    HWND version = PlacedControl(lower, L"STATIC", msg::kVersionLabel, SS_NOPREFIX, kLabel1,
                                 {layout::kLabel1X, layout::kLabel1Y, 0, 0}, versionFont_.get());
    {
        // Sized to its text, as a label that sizes itself.
        const std::wstring text = Wide(msg::kVersionLabel);
        SIZE extent{};
        {
            const WindowDc dc(version);
            const Selected font(dc.get(), versionFont_.get());
            GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent);
        }
        SetWindowPos(version, nullptr, 0, 0, extent.cx, extent.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    HWND left = CreateGradientPanel(window_, design::kWarmGradient, layout::kLeftPanel);
    PlacedControl(left, L"STATIC", msg::kToMorvalen, SS_NOPREFIX, kLabel3, layout::kLabel3, headingFont_.get());
    BExportar = glyphed(PlacedControl(left, L"BUTTON", msg::kAccept, BS_PUSHBUTTON | WS_TABSTOP, kBExportar,
                                      layout::kBExportar, font_.get()), checkGlyph_);

    HWND right = CreateGradientPanel(window_, design::kWarmGradient, layout::kRightPanel);
    PlacedControl(right, L"STATIC", msg::kToSiravel, SS_NOPREFIX, kLabel4, layout::kLabel4, headingFont_.get());
    BImportar = glyphed(PlacedControl(right, L"BUTTON", msg::kAccept, BS_PUSHBUTTON | WS_TABSTOP, kBImportar,
                                      layout::kBImportar, font_.get()), checkGlyph_);
}

// The design's centring: half the screen less half the window, taken in the
// host window's client coordinates when the window sits inside it.
void TMForm::PlaceWindow(HWND host) {
    RECT frame;
    GetWindowRect(window_, &frame);
    const int width = host ? Scaled(layout::kClientWidth) : frame.right - frame.left;
    const int height = host ? Scaled(layout::kClientHeight) : frame.bottom - frame.top;
    SetWindowPos(window_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TMForm::FormCreate() { session_.FormCreate(*ui_); }

// Win32's part of starting in the host's window: a child without caption or
// border, placed in the host window's client coordinates.
bool TMForm::EmbedInHostWindow(std::uint32_t handle) {
    HWND host = WindowOf(handle);
    if (!host) return false;
    SetWindowLongPtrW(window_, GWL_STYLE, kEmbeddedStyle);
    SetWindowLongPtrW(window_, GWL_EXSTYLE, WS_EX_CONTROLPARENT);
    SetParent(window_, host);
    PlaceWindow(host);
    SetWindowPos(window_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    return true;
}

int TMForm::Run() {
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    SetFocus(BClose);
    PostMessageW(window_, kFormShow, 0, 0);
    return RunWindowLoop(window_, [this] { HelpContext(); });
}

LRESULT CALLBACK TMForm::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<TMForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self || !self->window_) return DefWindowProcW(window, message, wParam, lParam);
    return Guarded(window, [&] { return self->Handle(message, wParam, lParam); });
}

LRESULT TMForm::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (HIWORD(wParam) != BN_CLICKED) break;
            switch (LOWORD(wParam)) {
                case kBExportar: BExportarClick(); return 0;
                case kBImportar: BImportarClick(); return 0;
                case kBClose: PostMessageW(window_, WM_CLOSE, 0, 0); return 0;
                case kButton1: Button1Click(); return 0;
            }
            break;
        case kLabelColour:
            return GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == kLabel1
                       ? static_cast<LRESULT>(ColourOf(design::kVersionRed)) + 1
                       : 0;
        case WM_SETCURSOR:
            if (ui_ && ui_->Busy()) {
                SetCursor(LoadCursorW(nullptr, IDC_WAIT));
                return TRUE;
            }
            if (LOWORD(lParam) == HTCLIENT) {
                SetCursor(LoadCursorW(nullptr, IDC_ARROW));
                return TRUE;
            }
            break;
        case kFormShow:
            FormShow();
            return 0;
        case WM_CLOSE:
            FormClose();
            DestroyWindow(window_);
            return 0;
        case WM_DESTROY:
            help_.CloseAll();  // the help windows go with the program
            window_ = nullptr;
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void TMForm::FormShow() { session_.FormShow(*ui_); }

void TMForm::FormClose() { session_.FormClose(*ui_); }

void TMForm::BExportarClick() { session_.RunConversion(&vindeleo::RunImport, *ui_); }

void TMForm::BImportarClick() { session_.RunConversion(&vindeleo::RunExport, *ui_); }

// After a run that closed the window (in host mode) there are no buttons left.
void TMForm::EnableRunButtons(bool enabled) {
    if (!window_) return;
    EnableWindow(BExportar, enabled);
    EnableWindow(BImportar, enabled);
}

void TMForm::Button1Click() { OpenHelp(true); }

void TMForm::HelpContext() { OpenHelp(false); }

// Also from the chooser's message loop (F1 there): whatever fails is shown
// here and goes no further.
void TMForm::OpenHelp(bool contents) {
    OpenGuide(*ui_, [&]() -> std::optional<std::filesystem::path> {
        const HtmlHelp::Result result =
            contents ? help_.ShowContents(window_) : help_.ShowContext(window_, design::kHelpContext);
        if (result == HtmlHelp::Result::MissingFile) return help_.HelpFilePath();
        return std::nullopt;
    });
}

}  // namespace vindeleo::win32
