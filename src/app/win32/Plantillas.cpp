#include "app/win32/Plantillas.h"

#include <algorithm>

#include "app/win32/Look.h"
#include "app/win32/WindowLoop.h"
#include "import/Plantihoras.h"
#include "text/Messages.h"

namespace vindeleo::win32 {

namespace {
namespace layout = design::chooser;
constexpr const wchar_t* kClass = L"VindeleoPlantillas";
// A combo box's height on Win32 includes its dropped-down list.
constexpr int kDroppedComboHeight = 200;

enum ControlId : int { kPrompt = 100, kCombo, kNombre, kPlanFec1, kPlanFec2, kHours, kList, kContinuar = IDOK };

}  // namespace

TPlantillas::TPlantillas(TemplateChooser& chooser, std::function<void()> help)
    : chooser_(chooser), help_(std::move(help)) {}

TPlantillas::~TPlantillas() {
    if (window_) DestroyWindow(window_);
}

LRESULT CALLBACK TPlantillas::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<TPlantillas*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self || !self->window_) return DefWindowProcW(window, message, wParam, lParam);
    try {
        return self->Handle(message, wParam, lParam);
    } catch (...) {
        self->Fail();
        return 0;
    }
}

void TPlantillas::Fail() noexcept {
    if (!failure_) failure_ = std::current_exception();
    closed_ = true;
}

void TPlantillas::Create(HWND owner) {
    static const bool registered = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = kClass;
        return RegisterClassW(&windowClass) != 0;
    }();
    (void)registered;

    font_ = DesignFont(design::kWindowFont);
    promptFont_ = DesignFont(design::kPromptFont);
    maroonFont_ = DesignFont(design::kMaroonFont);
    boldFont_ = DesignFont(design::kBoldFont);
    glyph_ = CheckMarkGlyph();
    yellow_.reset(CreateSolidBrush(ColourOf(design::kComboYellow)));

    // A fixed dialog frame with the system menu only.
    window_ = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kClass, Wide(msg::kChooserCaption).c_str(),
                              WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, 0, 0, 0, 0, owner, nullptr,
                              GetModuleHandleW(nullptr), this);
    SetClientSize(window_, layout::kClientWidth, layout::kClientHeight);

    panel_ = CreateGradientPanel(window_, design::kWarmGradient, layout::kPanel);
    PlacedControl(panel_, L"STATIC", msg::kChooserPrompt, 0, kPrompt, layout::kLabelPlantillas, promptFont_.get());
    design::Box combo = layout::kComboBoxPlantilla;
    combo.height = kDroppedComboHeight;
    ComboBoxPlantilla = PlacedControl(panel_, L"COMBOBOX", "", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP,
                                      kCombo, combo, boldFont_.get());
    LabelNombre = PlacedControl(panel_, L"STATIC", msg::kChooserNone, SS_NOPREFIX, kNombre, layout::kLabelNombre,
                                maroonFont_.get());
    LabelPlanFec1 = PlacedControl(panel_, L"STATIC", msg::kChooserNone, SS_NOPREFIX, kPlanFec1, layout::kLabelPlanFec1,
                                  maroonFont_.get());
    LabelPlanFec2 = PlacedControl(panel_, L"STATIC", msg::kChooserNone, SS_NOPREFIX, kPlanFec2, layout::kLabelPlanFec2,
                                  maroonFont_.get());
    PlacedControl(panel_, L"STATIC", msg::kChooserHours, 0, kHours, layout::kLabel1, maroonFont_.get());
    ListBox1 = PlacedControl(panel_, L"LISTBOX", "", WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOINTEGRALHEIGHT |
                                                         LBS_NOTIFY, kList, layout::kListBox1, font_.get());
    BitBtnContinuar = PlacedControl(panel_, L"BUTTON", msg::kContinue, BS_DEFPUSHBUTTON | WS_TABSTOP, kContinuar,
                                    layout::kBitBtnContinuar, boldFont_.get());
    SendMessageW(BitBtnContinuar, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(glyph_.get()));

    // Centred over the screen, as the design places it.
    RECT place;
    GetWindowRect(window_, &place);
    const int width = place.right - place.left;
    const int height = place.bottom - place.top;
    SetWindowPos(window_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

std::string TPlantillas::ShowModal(HWND owner) {
    Create(owner);
    FormActivate();
    const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    SetFocus(ComboBoxPlantilla);
    MSG message;
    bool quit = false;
    while (!closed_) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            quit = true;
            break;
        }
        if (message.message == WM_KEYDOWN && message.wParam == VK_F1 && help_) {
            try {
                help_();
            } catch (...) {
                Fail();
            }
            continue;
        }
        if (!IsDialogMessageW(window_, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    EndModalWindow(window_, owner, ownerWasEnabled, quit, message.wParam);
    if (failure_) std::rethrow_exception(failure_);
    return chooser_.ChosenTemplate();
}

LRESULT TPlantillas::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            const int code = HIWORD(wParam);
            if (id == kContinuar || id == IDCANCEL) {
                Finish();  // Continuar, Enter and Escape all end with the chooser's code
                return 0;
            }
            if (id == kCombo && code == CBN_EDITCHANGE) ComboBoxPlantillaChange(WindowText1252(ComboBoxPlantilla));
            if (id == kCombo && code == CBN_SELCHANGE) {
                // The edit field shows the picked item only after this notice.
                const LRESULT index = SendMessageW(ComboBoxPlantilla, CB_GETCURSEL, 0, 0);
                if (index != CB_ERR) {
                    std::wstring item(static_cast<std::size_t>(SendMessageW(ComboBoxPlantilla, CB_GETLBTEXTLEN,
                                                                             static_cast<WPARAM>(index), 0)) + 1, L'\0');
                    item.resize(static_cast<std::size_t>(SendMessageW(
                        ComboBoxPlantilla, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item.data()))));
                    ComboBoxPlantillaChange(Narrow(item));
                }
            }
            return 0;
        }
        case kLabelColour: {
            const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
            return id == kPrompt ? 0 : static_cast<LRESULT>(ColourOf(design::kMaroon)) + 1;
        }
        case WM_CTLCOLOREDIT: {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetBkColor(dc, ColourOf(design::kComboYellow));
            return reinterpret_cast<LRESULT>(yellow_.get());
        }
        case WM_CLOSE:
            Finish();  // the title bar's close box gives the same code as Continuar
            return 0;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void TPlantillas::FormActivate() {
    chooser_.FormActivate();
    SendMessageW(ComboBoxPlantilla, CB_RESETCONTENT, 0, 0);
    for (const std::string& code : chooser_.ComboItems())
        SendMessageW(ComboBoxPlantilla, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(code).c_str()));
    // Set without a change notice, as the window fills itself.
    SetWindowTextW(ComboBoxPlantilla, Wide(chooser_.ComboText()).c_str());
    ShowChooser();
}

void TPlantillas::ComboBoxPlantillaChange(const std::string& text) {
    chooser_.ComboBoxPlantillaChange(text);
    ShowChooser();
}

void TPlantillas::Finish() {
    chooser_.Close();
    closed_ = true;
}

// Like a label that sizes itself to its text: at least its design width.
void TPlantillas::SetAutoSizedText(HWND label, const std::string& text, int designWidth) {
    const std::wstring wide = Wide(text);
    SetWindowTextW(label, wide.c_str());
    SIZE extent{};
    {
        const WindowDc dc(label);
        const Selected font(dc.get(), maroonFont_.get());
        GetTextExtentPoint32W(dc.get(), wide.c_str(), static_cast<int>(wide.size()), &extent);
    }
    RECT place;
    GetWindowRect(label, &place);
    MapWindowPoints(nullptr, panel_, reinterpret_cast<POINT*>(&place), 2);
    SetWindowPos(label, nullptr, 0, 0, std::max<int>(Scaled(designWidth), extent.cx), place.bottom - place.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Shows what the chooser holds for the current code: the template's name and
// dates, and the labels of its time slots.
void TPlantillas::ShowChooser() {
    SetAutoSizedText(LabelNombre, chooser_.LabelNombre(), layout::kLabelNombre.width);
    SetAutoSizedText(LabelPlanFec1, chooser_.LabelPlanFec1(), layout::kLabelPlanFec1.width);
    SetAutoSizedText(LabelPlanFec2, chooser_.LabelPlanFec2(), layout::kLabelPlanFec2.width);
    SendMessageW(ListBox1, LB_RESETCONTENT, 0, 0);
    for (const std::string& line : chooser_.ListBoxLines())
        SendMessageW(ListBox1, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(line).c_str()));
    // The transparent labels are drawn again over the gradient.
    RedrawWindow(panel_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace vindeleo::win32
