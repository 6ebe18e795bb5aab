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
#include <exception>

#include "session/HostProtocol.h"
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
#include "platform/PathText.h"
#include "text/Codepage.h"
#include "text/Error.h"
#include "text/Format.h"
#include "text/Messages.h"

namespace vindeleo {

namespace {
constexpr int kClientWidth = 632;
constexpr int kClientHeight = 266;
constexpr int kHelpContext = 3;

QPushButton* PlacedButton(const QIcon& glyph, const char* caption, const QRect& place, QWidget* parent,
                          const char* name) {
    auto* button = new QPushButton(glyph, FromText(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(place);
    return button;
}
}  // namespace

TMForm::TMForm(ModuleState& state, std::vector<std::string> arguments, DialogRunner& dialogs, HelpViewer& help)
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      state_(state),
      arguments_(std::move(arguments)),
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
    setFont(SansSerif8());
    setFixedSize(kClientWidth, kClientHeight);

    const QFont heading = DesignFont("Arial", 12, true);

    auto* left = new GradientPanel(kWarmGradient, this);
    left->setObjectName(QStringLiteral("Draw3D2"));
    left->setGeometry(1, 0, 315, 169);
    QLabel* toMorvalen = PlacedLabel(FromText(msg::kToMorvalen), heading, {24, 24, 265, 57}, left);
    toMorvalen->setObjectName(QStringLiteral("Label3"));
    toMorvalen->setWordWrap(true);
    BExportar = PlacedButton(CheckMarkGlyph(), msg::kAccept, {96, 120, 89, 25}, left, "BExportar");

    auto* right = new GradientPanel(kWarmGradient, this);
    right->setObjectName(QStringLiteral("Draw3D3"));
    right->setGeometry(316, 0, 317, 169);
    QLabel* toSiravel = PlacedLabel(FromText(msg::kToSiravel), heading, {8, 24, 305, 57}, right);
    toSiravel->setObjectName(QStringLiteral("Label4"));
    toSiravel->setWordWrap(true);
    BImportar = PlacedButton(CheckMarkGlyph(), msg::kAccept, {96, 120, 89, 25}, right, "BImportar");

    auto* lower = new GradientPanel(kCoolGradient, this);
    lower->setObjectName(QStringLiteral("Draw3D1"));
    lower->setGeometry(0, 168, 633, 97);
    BClose = PlacedButton(CloseGlyph(), msg::kExit, {256, 32, 89, 25}, lower, "BClose");
    Button1 = PlacedButton(QIcon(), msg::kHelpButton, {264, 64, 75, 25}, lower, "Button1");
    QLabel* version = PlacedLabel(FromText(msg::kVersionLabel), DesignFont("MS Sans Serif", 8, true), {8, 72, 0, 0}, lower);
    version->setObjectName(QStringLiteral("Label1"));
    QPalette red = version->palette();
    red.setColor(QPalette::WindowText, Qt::red);
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
    move((size.width() - kClientWidth) / 2, (size.height() - kClientHeight) / 2);
}

void TMForm::FormCreate() {
    state_.ResultCode = 0;
    if (arguments_.size() != 2) return;
    std::uint32_t handle = 0;
    try {
        handle = ReadHostHandle(arguments_[1]);
    } catch (const Error& error) {
        ui_->ShowError(ErrorBoxText(error.what()));
        return;
    }
    // A handle of no window: the ordinary window, otherwise as the host asked.
    embedded_ = EmbedInHostWindow(*this, handle);
    state_.HostMode = true;
}

void TMForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shown_) return;
    shown_ = true;
    // The run starts as soon as the window is up, from the event loop, so that
    // a run that closes the window does so after the showing has finished.
    QTimer::singleShot(0, this, &TMForm::FormShow);
}

void TMForm::FormShow() {
    if (arguments_.size() != 2) return;
    ShowingErrors(*ui_, [this] {
        const HostAction action = ActionOf(arguments_[0]);
        if (action == HostAction::Importar) BImportarClick();
        if (action == HostAction::Exportar) BExportarClick();
    });
}

void TMForm::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
    emit Closed();
}

void TMForm::FormClose() { LeaveHostResult(state_, *ui_); }

void TMForm::BExportarClick() { Run(&vindeleo::RunImport); }

void TMForm::BImportarClick() { Run(&vindeleo::RunExport); }

// Runs a conversion, then shows whether the run buttons are still enabled.
void TMForm::Run(void (*run)(ModuleState&, RunUi&)) {
    RunShowingErrors(run, state_, *ui_);
    BExportar->setEnabled(state_.RunButtonsEnabled);
    BImportar->setEnabled(state_.RunButtonsEnabled);
}

void TMForm::Button1Click() {
    ShowingErrors(*ui_, [this] {
        help_.SetHelpFile(kHelpFile);
        OpenHelp(true);
    });
}

void TMForm::HelpContext() { OpenHelp(false); }

void TMForm::OpenHelp(bool contents) {
    ShowingErrors(*ui_, [&] {
        const HelpViewer::Result result = contents ? help_.ShowContents() : help_.ShowContext(kHelpContext);
        if (result == HelpViewer::Result::MissingFile)
            ui_->ShowMessage(Format(msg::kNoHelpFile, PathText(help_.HelpFilePath())));
    });
}

}  // namespace vindeleo
