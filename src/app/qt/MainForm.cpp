#include "app/qt/MainForm.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QShowEvent>
#include <QTimer>
#include <filesystem>
#include <optional>

#include "session/ModuleState.h"
#include "session/RunSupport.h"
#include "session/Paths.h"
#include "app/qt/DialogRunner.h"
#include "app/qt/HostEmbedding.h"
#include "app/qt/Look.h"
#include "app/qt/QtRunUi.h"
#include "export/ExportRun.h"
#include "app/qt/HelpViewer.h"
#include "import/ImportRun.h"
#include "text/Codepage.h"
#include "text/Messages.h"

namespace vindeleo {

namespace {
namespace layout = design::main_window;

QPushButton* PlacedButton(const QIcon& glyph, const char* caption, design::Box place, QWidget* parent,
                          const char* name) {
    auto* button = new QPushButton(glyph, FromText(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(PlaceOf(place));
    return button;
}
}  // namespace

TMForm::TMForm(ModuleState& state, std::vector<std::string> arguments, DialogRunner& dialogs, HelpViewer& help)
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      state_(state),
      session_(state, std::move(arguments), *this),
      dialogs_(dialogs),
      help_(help) {
    BuildControls();
    ui_ = std::make_unique<QtRunUi>(*this, *OpenDialogXML, dialogs_, [this] { HelpContext(); });
    PlaceWindow();  // first, so that a box shown while the window is created stands over it
    FormCreate();
}

TMForm::~TMForm() = default;

void TMForm::BuildControls() {
    setObjectName(QStringLiteral("MForm"));
    setWindowTitle(FromText(msg::kMainCaption));
    setFont(DesignFont(design::kWindowFont));
    setFixedSize(layout::kClientWidth, layout::kClientHeight);

    const QFont heading = DesignFont(design::kHeadingFont);

    auto* left = new GradientPanel(design::kWarmGradient, this);
    left->setObjectName(QStringLiteral("Draw3D2"));
    left->setGeometry(PlaceOf(layout::kLeftPanel));
    QLabel* toMorvalen = PlacedLabel(FromText(msg::kToMorvalen), heading, layout::kLabel3, left);
    toMorvalen->setObjectName(QStringLiteral("Label3"));
    toMorvalen->setWordWrap(true);
    BExportar = PlacedButton(CheckMarkGlyph(), msg::kAccept, layout::kBExportar, left, "BExportar");

    auto* right = new GradientPanel(design::kWarmGradient, this);
    right->setObjectName(QStringLiteral("Draw3D3"));
    right->setGeometry(PlaceOf(layout::kRightPanel));
    QLabel* toSiravel = PlacedLabel(FromText(msg::kToSiravel), heading, layout::kLabel4, right);
    toSiravel->setObjectName(QStringLiteral("Label4"));
    toSiravel->setWordWrap(true);
    BImportar = PlacedButton(CheckMarkGlyph(), msg::kAccept, layout::kBImportar, right, "BImportar");

    auto* lower = new GradientPanel(design::kCoolGradient, this);
    lower->setObjectName(QStringLiteral("Draw3D1"));
    lower->setGeometry(PlaceOf(layout::kLowerPanel));
    BClose = PlacedButton(CloseGlyph(), msg::kExit, layout::kBClose, lower, "BClose");
    Button1 = PlacedButton(QIcon(), msg::kHelpButton, layout::kButton1, lower, "Button1");
    QLabel* version = PlacedLabel(FromText(msg::kVersionLabel), DesignFont(design::kBoldFont),
                                  {layout::kLabel1X, layout::kLabel1Y, 0, 0}, lower);
    version->setObjectName(QStringLiteral("Label1"));
    QPalette red = version->palette();
    red.setColor(QPalette::WindowText, ColourOf(design::kVersionRed));
    version->setPalette(red);
    version->adjustSize();
    lower->raise();  // the lower panel's top row lies over the upper panels' last one

    // Tab order: the lower panel first, then the left and the right upper panel.
    setTabOrder(BClose, Button1);
    setTabOrder(Button1, BExportar);
    setTabOrder(BExportar, BImportar);
    BClose->setFocus();

    OpenDialogXML = new QFileDialog(this, FromText(msg::kFileDialogTitle), QString(), FromText(msg::kFileDialogFilter));
    OpenDialogXML->setObjectName(QStringLiteral("OpenDialogXML"));
    OpenDialogXML->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialogXML->setFileMode(QFileDialog::AnyFile);  // a file that does not exist may be chosen
    OpenDialogXML->setDefaultSuffix(FromText(msg::kFileDialogSuffix));

    connect(BExportar, &QPushButton::clicked, this, &TMForm::BExportarClick);
    connect(BImportar, &QPushButton::clicked, this, &TMForm::BImportarClick);
    connect(BClose, &QPushButton::clicked, this, &QWidget::close);
    connect(Button1, &QPushButton::clicked, this, &TMForm::Button1Click);
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this, &TMForm::HelpContext);
}

// The design's centring: half the screen less half the window, taken in the
// host window's client coordinates when the window sits inside it.
void TMForm::PlaceWindow() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QSize size = screen->geometry().size();
    move((size.width() - layout::kClientWidth) / 2, (size.height() - layout::kClientHeight) / 2);
}

void TMForm::FormCreate() { session_.FormCreate(*ui_); }

// Qt's part of starting in the host's window: a borderless child of it.
bool TMForm::EmbedInHostWindow(std::uint32_t handle) { return vindeleo::EmbedInHostWindow(*this, handle); }

void TMForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shown_) return;
    shown_ = true;
    // The run starts as soon as the window is up, from the event loop, so that
    // a run that closes the window does so after the showing has finished.
    QTimer::singleShot(0, this, &TMForm::FormShow);
}

void TMForm::FormShow() { session_.FormShow(*ui_); }

void TMForm::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
    emit Closed();
}

void TMForm::FormClose() { session_.FormClose(*ui_); }

void TMForm::BExportarClick() { session_.RunConversion(&vindeleo::RunImport, *ui_); }

void TMForm::BImportarClick() { session_.RunConversion(&vindeleo::RunExport, *ui_); }

void TMForm::EnableRunButtons(bool enabled) {
    BExportar->setEnabled(enabled);
    BImportar->setEnabled(enabled);
}

void TMForm::Button1Click() {
    ShowingErrors(*ui_, [this] {
        help_.SetHelpFile(kHelpFile);
        OpenHelp(true);
    });
}

void TMForm::HelpContext() { OpenHelp(false); }

void TMForm::OpenHelp(bool contents) {
    OpenGuide(*ui_, [&]() -> std::optional<std::filesystem::path> {
        const HelpViewer::Result result = contents ? help_.ShowContents() : help_.ShowContext(design::kHelpContext);
        if (result == HelpViewer::Result::MissingFile) return help_.HelpFilePath();
        return std::nullopt;
    });
}

}  // namespace vindeleo
