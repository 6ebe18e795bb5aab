#include "app/qt/Plantillas.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QSignalBlocker>
#include <algorithm>

#include "app/qt/Look.h"
#include "app/qt/QtRunUi.h"
#include "import/Plantihoras.h"
#include "text/Messages.h"

namespace vindeleo {

namespace {
namespace layout = design::chooser;

QLabel* MaroonLabel(const QString& text, design::Box place, QWidget* parent, const char* name) {
    QLabel* label = PlacedLabel(text, DesignFont(design::kMaroonFont), place, parent);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, ColourOf(design::kMaroon));
    label->setPalette(palette);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

// Like a label that sizes itself to its text: at least its design width.
void SetAutoSizedText(QLabel* label, const QString& text, int designWidth) {
    label->setText(text);
    label->resize(std::max(designWidth, label->sizeHint().width()), label->height());
}
}  // namespace

TPlantillas::TPlantillas(TemplateChooser& chooser, QWidget* owner, std::function<void()> help)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      chooser_(chooser) {
    setObjectName(QStringLiteral("Plantillas"));
    setWindowTitle(FromText(msg::kChooserCaption));
    setFont(DesignFont(design::kWindowFont));
    setFixedSize(layout::kClientWidth, layout::kClientHeight);

    auto* panel = new GradientPanel(design::kWarmGradient, this);
    panel->setGeometry(PlaceOf(layout::kPanel));

    QLabel* prompt =
        PlacedLabel(FromText(msg::kChooserPrompt), DesignFont(design::kPromptFont), layout::kLabelPlantillas, panel);
    prompt->setObjectName(QStringLiteral("LabelPlantillas"));
    prompt->setWordWrap(true);

    ComboBoxPlantilla = new QComboBox(panel);
    ComboBoxPlantilla->setObjectName(QStringLiteral("ComboBoxPlantilla"));
    ComboBoxPlantilla->setEditable(true);
    ComboBoxPlantilla->setCompleter(nullptr);                 // no auto-complete
    ComboBoxPlantilla->setInsertPolicy(QComboBox::NoInsert);  // Enter adds no item
    ComboBoxPlantilla->setFont(DesignFont(design::kBoldFont));
    QPalette yellow = ComboBoxPlantilla->palette();
    yellow.setColor(QPalette::Base, ColourOf(design::kComboYellow));
    ComboBoxPlantilla->setPalette(yellow);
    ComboBoxPlantilla->setGeometry(PlaceOf(layout::kComboBoxPlantilla));

    const QString none = FromText(msg::kChooserNone);
    LabelNombre = MaroonLabel(none, layout::kLabelNombre, panel, "LabelNombre");
    LabelPlanFec1 = MaroonLabel(none, layout::kLabelPlanFec1, panel, "LabelPlanFec1");
    LabelPlanFec2 = MaroonLabel(none, layout::kLabelPlanFec2, panel, "LabelPlanFec2");
    MaroonLabel(FromText(msg::kChooserHours), layout::kLabel1, panel, "Label1");

    ListBox1 = new QListWidget(panel);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setGeometry(PlaceOf(layout::kListBox1));

    BitBtnContinuar = new QPushButton(CheckMarkGlyph(), FromText(msg::kContinue), panel);
    BitBtnContinuar->setObjectName(QStringLiteral("BitBtnContinuar"));
    BitBtnContinuar->setFont(DesignFont(design::kBoldFont));
    BitBtnContinuar->setGeometry(PlaceOf(layout::kBitBtnContinuar));
    BitBtnContinuar->setDefault(true);  // Enter continues, as with an OK-kind button

    setTabOrder(ComboBoxPlantilla, ListBox1);
    setTabOrder(ListBox1, BitBtnContinuar);

    connect(ComboBoxPlantilla, &QComboBox::editTextChanged, this, &TPlantillas::ComboBoxPlantillaChange);
    connect(BitBtnContinuar, &QPushButton::clicked, this, &TPlantillas::BitBtnContinuarClick);
    if (help) connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this, help);
}

// Runs a handler of the window: an exception that it throws does not unwind
// through Qt's event loop; it closes the window and is kept for RethrowFailure.
template <typename Handler>
void TPlantillas::Guarded(Handler&& handler) noexcept {
    try {
        handler();
    } catch (...) {
        if (!failure_) failure_ = std::current_exception();
        QDialog::done(QDialog::Rejected);
    }
}

void TPlantillas::RethrowFailure() const {
    if (failure_) std::rethrow_exception(failure_);
}

void TPlantillas::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) Guarded([this] { FormActivate(); });
}

void TPlantillas::FormActivate() {
    chooser_.FormActivate();
    {
        const QSignalBlocker quiet(ComboBoxPlantilla);
        ComboBoxPlantilla->clear();
        for (const std::string& code : chooser_.ComboItems()) ComboBoxPlantilla->addItem(FromText(code));
        ComboBoxPlantilla->setEditText(FromText(chooser_.ComboText()));
    }
    ShowChooser();
}

void TPlantillas::ComboBoxPlantillaChange(const QString& text) {
    Guarded([&] {
        chooser_.ComboBoxPlantillaChange(ToText(text));
        ShowChooser();
    });
}

void TPlantillas::BitBtnContinuarClick() {
    Guarded([this] { chooser_.Close(); });
    if (!failure_) accept();
}

void TPlantillas::done(int result) {
    Guarded([this] { FormClose(); });
    QDialog::done(result);
}

void TPlantillas::FormClose() { chooser_.Close(); }

const std::string& TPlantillas::ChosenTemplate() const { return chooser_.ChosenTemplate(); }

// Shows what the chooser holds for the current code: the template's name and
// dates, and the labels of its time slots.
void TPlantillas::ShowChooser() {
    SetAutoSizedText(LabelNombre, FromText(chooser_.LabelNombre()), layout::kLabelNombre.width);
    SetAutoSizedText(LabelPlanFec1, FromText(chooser_.LabelPlanFec1()), layout::kLabelPlanFec1.width);
    SetAutoSizedText(LabelPlanFec2, FromText(chooser_.LabelPlanFec2()), layout::kLabelPlanFec2.width);
    ListBox1->clear();
    for (const std::string& line : chooser_.ListBoxLines()) ListBox1->addItem(FromText(line));
}

}  // namespace vindeleo
