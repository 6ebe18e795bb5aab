#include "app/win32/CopiesForm.h"

#include <commdlg.h>

#include <cstring>
#include <filesystem>

#include "app/win32/ErrorBox.h"
#include "app/win32/Win32RunUi.h"
#include "app/win32/WindowLoop.h"
#include "import/ImportCheck.h"
#include "import/RestoreRun.h"
#include "platform/PathText.h"
#include "session/ModuleState.h"
#include "session/RunSupport.h"
#include "text/Format.h"
#include "text/Messages.h"

namespace vindeleo::win32 {

namespace {
constexpr const wchar_t* kClass = L"VindeleoCopiasForm";
constexpr const wchar_t* kReportClass = L"VindeleoInforme";
constexpr int kClientWidth = 632;
constexpr int kClientHeight = 400;
constexpr int kUpperHeight = 321;
constexpr int kReportWidth = 640;
constexpr int kReportHeight = 440;
constexpr int kReportPanelTop = kReportHeight - 48;
// Where the list's columns start, in design units from its left edge.
constexpr int kColumnStarts[kCopyColumns] = {0, 130, 320, 370};

enum ControlId : int {
    kListaCopias = 100, kBRestaurar, kBRevisar, kBCerrar, kLabelCopias, kColumnTitle,
    kMemoInforme = 200, kBCopiar, kBGuardar, kBCerrarInforme
};

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

void RegisterOnce(const wchar_t* name, WNDPROC procedure, bool& done) {
    if (done) return;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = nullptr;  // WM_SETCURSOR chooses: the busy cursor during a run
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    windowClass.lpszClassName = name;
    done = RegisterClassW(&windowClass) != 0;
}

// Centred on the screen, as the main window.
void Centre(HWND window) {
    RECT frame;
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND Glyphed(HWND button, const OwnedIcon& glyph) {
    SendMessageW(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(glyph.get()));
    return button;
}

// The average character width of a font as the list box takes it for its
// tab stops (a quarter of it is the unit of LB_SETTABSTOPS).
int AverageCharWidth(HWND control, HFONT font) {
    static const wchar_t letters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE extent{};
    const WindowDc dc(control);
    const Selected selected(dc.get(), font);
    GetTextExtentPoint32W(dc.get(), letters, 52, &extent);
    return extent.cx > 0 ? (extent.cx / 26 + 1) / 2 : 6;
}

// A row's columns, separated by tabs, as the list box draws them.
std::wstring RowText(const CopyRow& row) {
    if (!row.IsCopy()) return Wide(row.note);  // a stopped run, across the row
    std::wstring text;
    const auto columns = CopyRowTexts(row);
    for (std::size_t i = 0; i < columns.size(); ++i) text += (i ? L"\t" : L"") + Wide(columns[i]);
    return text;
}

// The report's lines as the edit control shows them.
std::wstring ReportText(const std::vector<std::string>& lines) {
    std::wstring text;
    for (std::size_t i = 0; i < lines.size(); ++i) text += (i ? L"\r\n" : L"") + Wide(lines[i]);
    return text;
}

std::wstring SaveFilter() {
    const std::wstring pattern = Wide(msg::kSaveDialogFilter);
    return pattern + L'\0' + pattern + L'\0' + L'\0';
}
}  // namespace

// --- the report ---------------------------------------------------------------------

TInformeForm::TInformeForm(std::vector<std::string> lines, RunUi& ui) : lines_(std::move(lines)), ui_(ui) {}

TInformeForm::~TInformeForm() {
    if (window_) DestroyWindow(window_);
}

void TInformeForm::ShowModal(HWND owner) {
    static bool registered = false;
    RegisterOnce(kReportClass, WindowProc, registered);
    window_ = CreateWindowExW(kExStyle, kReportClass, Wide(msg::kReportCaption).c_str(), kStyle, 0, 0, 0, 0, owner,
                              nullptr, GetModuleHandleW(nullptr), this);
    SetClientSize(window_, kReportWidth, kReportHeight);
    font_ = DesignFont(design::kWindowFont);
    memoFont_ = DesignFont(design::kReportFont);
    closeGlyph_ = CloseGlyph();

    HWND panel = CreateGradientPanel(window_, design::kWarmGradient, {0, kReportPanelTop, kReportWidth, kReportHeight - kReportPanelTop});
    PlacedControl(panel, L"BUTTON", msg::kCopyButton, BS_PUSHBUTTON | WS_TABSTOP, kBCopiar, {8, 12, 89, 25}, font_.get());
    PlacedControl(panel, L"BUTTON", msg::kSaveButton, BS_PUSHBUTTON | WS_TABSTOP, kBGuardar, {105, 12, 89, 25},
                  font_.get());
    Glyphed(PlacedControl(panel, L"BUTTON", msg::kCloseButton, BS_PUSHBUTTON | WS_TABSTOP, kBCerrarInforme, {kReportWidth - 97, 12, 89, 25}, font_.get()),
            closeGlyph_);
    memo_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                                ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                            Scaled(8), Scaled(8), Scaled(kReportWidth - 16), Scaled(kReportPanelTop - 16), window_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kMemoInforme)), GetModuleHandleW(nullptr),
                            nullptr);
    SendMessageW(memo_, WM_SETFONT, reinterpret_cast<WPARAM>(memoFont_.get()), FALSE);
    SendMessageW(memo_, EM_SETLIMITTEXT, 0, 0);  // as long as the report is
    SetWindowTextW(memo_, ReportText(lines_).c_str());
    Centre(window_);

    const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    SetFocus(memo_);
    MSG message;
    bool quit = false;
    while (!closed_) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            quit = true;
            break;
        }
        if (!IsDialogMessageW(window_, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    EndModalWindow(window_, owner, ownerWasEnabled, quit, message.wParam);
}

LRESULT CALLBACK TInformeForm::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<TInformeForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self || !self->window_) return DefWindowProcW(window, message, wParam, lParam);
    return Guarded(window, [&] { return self->Handle(message, wParam, lParam); });
}

LRESULT TInformeForm::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (HIWORD(wParam) != BN_CLICKED) break;
            switch (LOWORD(wParam)) {
                case kBCopiar: BCopiarClick(); return 0;
                case kBGuardar: BGuardarClick(); return 0;
                case kBCerrarInforme:
                case IDCANCEL: closed_ = true; return 0;  // "Cerrar" and Escape
            }
            break;
        case WM_CTLCOLORSTATIC:
            // The read-only report on the window's own background colour.
            if (reinterpret_cast<HWND>(lParam) == memo_) {
                SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
                return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
            }
            break;
        case WM_CLOSE:
            closed_ = true;
            return 0;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void TInformeForm::BCopiarClick() {
    const std::wstring text = ReportText(lines_);
    if (!OpenClipboard(window_)) return;
    EmptyClipboard();
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        std::memcpy(GlobalLock(memory), text.c_str(), bytes);
        GlobalUnlock(memory);
        if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
    }
    CloseClipboard();
}

void TInformeForm::BGuardarClick() {
    ShowingErrors(ui_, [this] {
        const auto file =
            AskFileName(window_, FileDialogKind::Save, SaveFilter(), msg::kSaveDialogTitle, msg::kSaveDialogSuffix);
        if (file) CopiesSession::SaveReport(*file, lines_);
    });
}

// --- the copies window --------------------------------------------------------------

TCopiasForm::TCopiasForm(ModuleState& state, HtmlHelp& help) : state_(state), help_(help) {
    static bool registered = false;
    RegisterOnce(kClass, WindowProc, registered);
    window_ = CreateWindowExW(kExStyle, kClass, Wide(msg::kCopiesCaption).c_str(), kStyle, 0, 0, 0, 0, nullptr, nullptr,
                              GetModuleHandleW(nullptr), this);
    SetClientSize(window_, kClientWidth, kClientHeight);
    BuildControls();
    ui_ = std::make_unique<Win32RunUi>(window_, [this] { HelpContext(); });
    session_ = std::make_unique<CopiesSession>(state_, *ui_, static_cast<CopiesWindow&>(*this), &RunRestore, &RunCheck);
    Centre(window_);
    session_->Refresh();
}

TCopiasForm::~TCopiasForm() {
    if (window_) DestroyWindow(window_);
}

void TCopiasForm::BuildControls() {
    font_ = DesignFont(design::kWindowFont);
    headingFont_ = DesignFont(design::kHeadingFont);
    checkGlyph_ = CheckMarkGlyph();
    closeGlyph_ = CloseGlyph();

    // The upper panel first: the list comes first in the tab order, then the buttons.
    HWND upper = CreateGradientPanel(window_, design::kWarmGradient, {0, 0, kClientWidth, kUpperHeight});
    HWND lower = CreateGradientPanel(window_, design::kCoolGradient, {0, kUpperHeight - 1, kClientWidth, kClientHeight - kUpperHeight + 1});
    PlacedControl(upper, L"STATIC", msg::kCopiesHeading, SS_NOPREFIX, kLabelCopias, {16, 12, 600, 24},
                  headingFont_.get());
    const auto titles = CopyColumnTitles();
    for (std::size_t i = 0; i < titles.size(); ++i) {
        const int end = i + 1 < titles.size() ? kColumnStarts[i + 1] : 600;
        PlacedControl(upper, L"STATIC", titles[i], SS_NOPREFIX, kColumnTitle + static_cast<int>(i), {16 + 3 + kColumnStarts[i], 44, end - kColumnStarts[i] - 3, 16}, font_.get());
    }
    ListaCopias = PlacedControl(upper, L"LISTBOX", "",
                                WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_USETABSTOPS |
                                    LBS_NOINTEGRALHEIGHT,
                                kListaCopias, {16, 60, 600, 245}, font_.get());
    const int quarter = AverageCharWidth(ListaCopias, font_.get());
    INT stops[kCopyColumns - 1];
    for (std::size_t i = 1; i < kCopyColumns; ++i) stops[i - 1] = MulDiv(Scaled(kColumnStarts[i]), 4, quarter);
    SendMessageW(ListaCopias, LB_SETTABSTOPS, kCopyColumns - 1, reinterpret_cast<LPARAM>(stops));

    BRestaurar = Glyphed(PlacedControl(lower, L"BUTTON", msg::kRestoreButton, BS_PUSHBUTTON | WS_TABSTOP, kBRestaurar, {121, 28, 100, 25}, font_.get()),
                         checkGlyph_);
    BRevisar = PlacedControl(lower, L"BUTTON", msg::kCheckButton, BS_PUSHBUTTON | WS_TABSTOP, kBRevisar, {241, 28, 160, 25}, font_.get());
    BCerrar = Glyphed(PlacedControl(lower, L"BUTTON", msg::kCloseButton, BS_PUSHBUTTON | WS_TABSTOP, kBCerrar, {421, 28, 89, 25}, font_.get()),
                      closeGlyph_);
}

int TCopiasForm::Run() {
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);
    SetFocus(ListaCopias);
    return RunWindowLoop(window_, [this] { HelpContext(); });
}

LRESULT CALLBACK TCopiasForm::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<TCopiasForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self || !self->window_) return DefWindowProcW(window, message, wParam, lParam);
    return Guarded(window, [&] { return self->Handle(message, wParam, lParam); });
}

LRESULT TCopiasForm::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wParam) == kListaCopias && HIWORD(wParam) == LBN_SELCHANGE) {
                SelectionChanged();
                return 0;
            }
            if (HIWORD(wParam) != BN_CLICKED) break;
            switch (LOWORD(wParam)) {
                case kBRestaurar:
                    session_->Restore(static_cast<int>(SendMessageW(ListaCopias, LB_GETCURSEL, 0, 0)));
                    return 0;
                case kBRevisar: session_->Check(); return 0;
                case kBCerrar:
                case IDCANCEL: PostMessageW(window_, WM_CLOSE, 0, 0); return 0;  // "Cerrar" and Escape
            }
            break;
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
        case WM_CLOSE:
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

void TCopiasForm::SelectionChanged() {
    const int row = static_cast<int>(SendMessageW(ListaCopias, LB_GETCURSEL, 0, 0));
    EnableWindow(BRestaurar, session_ && session_->CanRestore(row));
}

void TCopiasForm::ShowRows(const std::vector<CopyRow>& rows) {
    SendMessageW(ListaCopias, LB_RESETCONTENT, 0, 0);
    int first = -1;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SendMessageW(ListaCopias, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(RowText(rows[i]).c_str()));
        if (first < 0 && rows[i].IsCopy()) first = static_cast<int>(i);
    }
    // The newest copy stands selected.
    SendMessageW(ListaCopias, LB_SETCURSEL, static_cast<WPARAM>(first), 0);
    SelectionChanged();
}

bool TCopiasForm::Confirm(const std::string& question) {
    return MessageBoxW(window_, Wide(question).c_str(), Wide(msg::kApplicationTitle).c_str(),
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

void TCopiasForm::ShowReport(const std::vector<std::string>& lines) {
    TInformeForm report(lines, *ui_);
    report.ShowModal(window_);
}

void TCopiasForm::HelpContext() {
    ShowingErrors(*ui_, [&] {
        if (help_.ShowContext(window_, kCopiesHelpContext) == HtmlHelp::Result::MissingFile)
            ui_->ShowMessage(Format(msg::kNoHelpFile, PathText(help_.HelpFilePath())));
    });
}

}  // namespace vindeleo::win32
