#include "app/qt/CopiesForm.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTreeWidget>

#include "app/qt/DialogRunner.h"
#include "app/qt/HelpViewer.h"
#include "app/qt/Look.h"
#include "app/qt/QtRunUi.h"
#include "import/ImportCheck.h"
#include "import/RestoreRun.h"
#include "platform/PathText.h"
#include "session/ModuleState.h"
#include "session/RunSupport.h"
#include "text/Format.h"
#include "text/Messages.h"

namespace vindeleo {

namespace {
constexpr int kClientWidth = 632;
constexpr int kClientHeight = 400;
constexpr int kUpperHeight = 321;
constexpr int kReportWidth = 640;
constexpr int kReportHeight = 440;
// The list's columns, in design units; the last takes the rest.
constexpr int kColumnWidths[] = {130, 190, 50};

QPushButton* PlacedButton(const QIcon& glyph, const char* caption, const QRect& place, QWidget* parent,
                          const char* name) {
    auto* button = new QPushButton(glyph, FromText(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(place);
    return button;
}

// Centred on the screen, as the main window.
void Centre(QWidget& window, int width, int height) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize size = screen->geometry().size();
        window.move((size.width() - width) / 2, (size.height() - height) / 2);
    }
}

QString JoinedLines(const std::vector<std::string>& lines) {
    QStringList texts;
    for (const std::string& line : lines) texts << FromText(line);
    return texts.join(QLatin1Char('\n'));
}
}  // namespace

TInformeForm::TInformeForm(std::vector<std::string> lines, QWidget* owner, DialogRunner& dialogs, RunUi& ui)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      lines_(std::move(lines)),
      dialogs_(dialogs),
      ui_(ui) {
    setObjectName(QStringLiteral("Informe"));
    setWindowTitle(FromText(msg::kReportCaption));
    setFont(DesignFont(design::kWindowFont));
    setFixedSize(kReportWidth, kReportHeight);

    auto* panel = new GradientPanel(design::kWarmGradient, this);
    panel->setGeometry(0, 0, kReportWidth, kReportHeight);
    MemoInforme = new QPlainTextEdit(panel);
    MemoInforme->setObjectName(QStringLiteral("MemoInforme"));
    MemoInforme->setGeometry(8, 8, kReportWidth - 16, kReportHeight - 56);
    MemoInforme->setReadOnly(true);
    MemoInforme->setLineWrapMode(QPlainTextEdit::NoWrap);
    MemoInforme->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    MemoInforme->setPlainText(JoinedLines(lines_));

    const int y = kReportHeight - 37;
    QPushButton* copy = PlacedButton(QIcon(), msg::kCopyButton, {8, y, 89, 25}, panel, "BCopiar");
    QPushButton* save = PlacedButton(QIcon(), msg::kSaveButton, {105, y, 89, 25}, panel, "BGuardar");
    QPushButton* close = PlacedButton(CloseGlyph(), msg::kCloseButton, {kReportWidth - 97, y, 89, 25}, panel, "BCerrar");
    close->setDefault(true);
    connect(copy, &QPushButton::clicked, this, &TInformeForm::BCopiarClick);
    connect(save, &QPushButton::clicked, this, &TInformeForm::BGuardarClick);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    SaveDialogTXT = new QFileDialog(this, FromText(msg::kSaveDialogTitle), QString(), FromText(msg::kSaveDialogFilter));
    SaveDialogTXT->setObjectName(QStringLiteral("SaveDialogTXT"));
    SaveDialogTXT->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialogTXT->setFileMode(QFileDialog::AnyFile);
    SaveDialogTXT->setDefaultSuffix(FromText(msg::kSaveDialogSuffix));
}

void TInformeForm::BCopiarClick() { QGuiApplication::clipboard()->setText(JoinedLines(lines_)); }

void TInformeForm::BGuardarClick() {
    ShowingErrors(ui_, [this] {
        const std::optional<QString> chosen = dialogs_.ChooseFile(*SaveDialogTXT);
        if (!chosen) return;
        CopiesSession::SaveReport(std::filesystem::path(QFile::encodeName(*chosen).toStdString()), lines_);
    });
}

TCopiasForm::TCopiasForm(ModuleState& state, DialogRunner& dialogs, HelpViewer& help)
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      state_(state),
      dialogs_(dialogs),
      help_(help) {
    BuildControls();
    ui_ = std::make_unique<QtRunUi>(*this, *OpenDialogXML, dialogs_, [this] { HelpContext(); });
    session_ = std::make_unique<CopiesSession>(state_, *ui_, static_cast<CopiesWindow&>(*this), &RunRestore, &RunCheck);
    Centre(*this, kClientWidth, kClientHeight);
    session_->Refresh();
}

TCopiasForm::~TCopiasForm() = default;

void TCopiasForm::BuildControls() {
    setObjectName(QStringLiteral("CopiasForm"));
    setWindowTitle(FromText(msg::kCopiesCaption));
    setFont(DesignFont(design::kWindowFont));
    setFixedSize(kClientWidth, kClientHeight);

    auto* upper = new GradientPanel(design::kWarmGradient, this);
    upper->setObjectName(QStringLiteral("Draw3D2"));
    upper->setGeometry(0, 0, kClientWidth, kUpperHeight);
    QLabel* heading = PlacedLabel(FromText(msg::kCopiesHeading), DesignFont(design::kHeadingFont), {16, 12, 600, 24}, upper);
    heading->setObjectName(QStringLiteral("LabelCopias"));

    ListaCopias = new QTreeWidget(upper);
    ListaCopias->setObjectName(QStringLiteral("ListaCopias"));
    ListaCopias->setGeometry(16, 44, 600, 261);
    ListaCopias->setRootIsDecorated(false);
    ListaCopias->setItemsExpandable(false);
    ListaCopias->setSelectionMode(QAbstractItemView::SingleSelection);
    ListaCopias->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListaCopias->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QStringList titles;
    for (const std::string& title : CopyColumnTitles()) titles << FromText(title);
    ListaCopias->setHeaderLabels(titles);
    ListaCopias->header()->setStretchLastSection(true);
    ListaCopias->header()->setSectionsMovable(false);
    for (int column = 0; column < static_cast<int>(std::size(kColumnWidths)); ++column)
        ListaCopias->setColumnWidth(column, kColumnWidths[column]);

    auto* lower = new GradientPanel(design::kCoolGradient, this);
    lower->setObjectName(QStringLiteral("Draw3D1"));
    lower->setGeometry(0, kUpperHeight - 1, kClientWidth, kClientHeight - kUpperHeight + 1);
    BRestaurar = PlacedButton(CheckMarkGlyph(), msg::kRestoreButton, {121, 28, 100, 25}, lower, "BRestaurar");
    BRevisar = PlacedButton(QIcon(), msg::kCheckButton, {241, 28, 160, 25}, lower, "BRevisar");
    BCerrar = PlacedButton(CloseGlyph(), msg::kCloseButton, {421, 28, 89, 25}, lower, "BCerrar");

    setTabOrder(ListaCopias, BRestaurar);
    setTabOrder(BRestaurar, BRevisar);
    setTabOrder(BRevisar, BCerrar);
    ListaCopias->setFocus();

    OpenDialogXML = new QFileDialog(this, FromText(msg::kFileDialogTitle), QString(), FromText(msg::kFileDialogFilter));
    OpenDialogXML->setObjectName(QStringLiteral("OpenDialogXML"));
    OpenDialogXML->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialogXML->setFileMode(QFileDialog::AnyFile);  // as the import's: a file that does not exist may be typed
    OpenDialogXML->setDefaultSuffix(FromText(msg::kFileDialogSuffix));

    connect(ListaCopias, &QTreeWidget::itemSelectionChanged, this, &TCopiasForm::SelectionChanged);
    connect(BRestaurar, &QPushButton::clicked, this, &TCopiasForm::BRestaurarClick);
    connect(BRevisar, &QPushButton::clicked, this, &TCopiasForm::BRevisarClick);
    connect(BCerrar, &QPushButton::clicked, this, &QWidget::close);
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this, &TCopiasForm::HelpContext);
}

int TCopiasForm::SelectedRow() const {
    const QList<QTreeWidgetItem*> selected = ListaCopias->selectedItems();
    return selected.isEmpty() ? -1 : ListaCopias->indexOfTopLevelItem(selected.first());
}

void TCopiasForm::SelectionChanged() { BRestaurar->setEnabled(session_ && session_->CanRestore(SelectedRow())); }

void TCopiasForm::ShowRows(const std::vector<CopyRow>& rows) {
    ListaCopias->clear();
    for (const CopyRow& row : rows) {
        auto* item = new QTreeWidgetItem(ListaCopias);
        const auto texts = CopyRowTexts(row);
        for (std::size_t column = 0; column < texts.size(); ++column)
            item->setText(static_cast<int>(column), FromText(texts[column]));
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        if (!row.IsCopy()) {
            // A stopped run is told across the whole row.
            item->setFirstColumnSpanned(true);
            item->setText(0, FromText(row.note));
            item->setFlags(item->flags() & ~Qt::ItemIsSelectable);
        }
    }
    // The newest copy that can be put back stands selected.
    QTreeWidgetItem* first = nullptr;
    for (std::size_t i = 0; i < rows.size() && !first; ++i)
        if (rows[i].IsCopy()) first = ListaCopias->topLevelItem(static_cast<int>(i));
    if (first) first->setSelected(true);
    BRestaurar->setEnabled(session_->CanRestore(SelectedRow()));
}

bool TCopiasForm::Confirm(const std::string& question) {
    QMessageBox box(QMessageBox::Question, FromText(msg::kApplicationTitle), FromText(question), QMessageBox::NoButton,
                    this);
    box.setTextFormat(Qt::PlainText);
    QPushButton* yes = box.addButton(FromText(msg::kYes), QMessageBox::YesRole);
    QPushButton* no = box.addButton(FromText(msg::kNo), QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    dialogs_.ShowMessageBox(box);
    return box.clickedButton() == yes;
}

void TCopiasForm::ShowReport(const std::vector<std::string>& lines) {
    TInformeForm report(lines, this, dialogs_, *ui_);
    dialogs_.ShowWindow(report);
}

void TCopiasForm::BRestaurarClick() { session_->Restore(SelectedRow()); }

void TCopiasForm::BRevisarClick() { session_->Check(); }

void TCopiasForm::HelpContext() {
    ShowingErrors(*ui_, [&] {
        if (help_.ShowContext(kCopiesHelpContext) == HelpViewer::Result::MissingFile)
            ui_->ShowMessage(Format(msg::kNoHelpFile, PathText(help_.HelpFilePath())));
    });
}

void TCopiasForm::closeEvent(QCloseEvent* event) {
    event->accept();
    emit Closed();
}

}  // namespace vindeleo
