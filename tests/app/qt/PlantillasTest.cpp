#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "app/qt/DesktopSupport.h"
#include "app/qt/Plantillas.h"
#include "import/Plantihoras.h"
#include "platform/PathText.h"
#include "support/TestSupport.h"
#include "text/Codepage.h"

namespace vindeleo {
namespace {

// Two templates, the second with blanks around its code; slots of both.
const std::vector<test::Section> kTwoTemplates = {
    {"JORNADAS_ESCOLARES",
     {{"A", "Oto\xF1o", "01/09/2024", "30/06/2025"}, {" B ", " Tarde <b>", "02/09/2024", "29/06/2025"}}},
    {"TRAMOS_HORARIOS",
     {{"1", "1\xAA hora", "480", "535", "A"},
      {"2", "T1", "900", "955", " B "},
      {"3", "2\xAA hora", "535", "590", "A"},
      {"4", "T2", "955", "1010", "B"}}},
};

// The chooser window over its own document, shown as the import shows it.
class PlantillasTest : public ::testing::Test {
protected:
    void Load(const std::vector<test::Section>& sections) {
        test::WriteFile(dir / "school.xml", test::ExchangeXml(sections));
        chooser = std::make_unique<TemplateChooser>(PathText(dir / "school.xml"));
        window = std::make_unique<TPlantillas>(*chooser, nullptr);
    }
    void Show() {
        window->show();
        test::Settle();
    }
    template <typename T>
    T* Child(const char* name) {
        T* child = window->findChild<T*>(QString::fromLatin1(name));
        if (!child) ADD_FAILURE() << "no component " << name;
        return child;
    }
    QComboBox* Combo() { return Child<QComboBox>("ComboBoxPlantilla"); }
    QString Text(const char* label) { return Child<QLabel>(label)->text(); }
    QStringList Lines() {
        QStringList lines;
        for (int i = 0; i < Child<QListWidget>("ListBox1")->count(); ++i) lines << Child<QListWidget>("ListBox1")->item(i)->text();
        return lines;
    }
    QStringList Items() {
        QStringList items;
        for (int i = 0; i < Combo()->count(); ++i) items << Combo()->itemText(i);
        return items;
    }

    test::TempDir dir;
    std::unique_ptr<TemplateChooser> chooser;
    std::unique_ptr<TPlantillas> window;
};

TEST_F(PlantillasTest, TheWindowAsDesigned) {
    Load(kTwoTemplates);
    EXPECT_EQ(window->objectName(), "Plantillas");
    EXPECT_EQ(window->windowTitle(), "Plantillas Horarias");
    EXPECT_FALSE(window->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());

    const auto* prompt = Child<QLabel>("LabelPlantillas");
    EXPECT_EQ(prompt->text(), "Seleccione la Plantilla Horaria que quiere aplicar a su Horario en Morvalen.");
    EXPECT_EQ(prompt->geometry(), QRect(16, 2, 321, 33));
    EXPECT_TRUE(prompt->wordWrap());
    EXPECT_TRUE(prompt->font().bold());
    EXPECT_EQ(Combo()->geometry(), QRect(8, 49, 81, 21));
    EXPECT_TRUE(Combo()->isEditable());
    EXPECT_EQ(Combo()->completer(), nullptr);  // no auto-complete
    EXPECT_EQ(Combo()->palette().color(QPalette::Base), QColor(Qt::yellow));
    EXPECT_TRUE(Combo()->font().bold());
    for (const char* name : {"LabelNombre", "LabelPlanFec1", "LabelPlanFec2"}) {
        EXPECT_EQ(Text(name), "-") << name;  // before the window is first shown
        EXPECT_EQ(Child<QLabel>(name)->palette().color(QPalette::WindowText), QColor(128, 0, 0)) << name;
    }
    EXPECT_EQ(Child<QLabel>("LabelNombre")->geometry(), QRect(9, 76, 120, 23));
    EXPECT_EQ(Child<QLabel>("LabelPlanFec2")->geometry(), QRect(9, 138, 120, 23));
    EXPECT_EQ(Text("Label1"), "HORAS");
    EXPECT_EQ(Child<QLabel>("Label1")->geometry(), QRect(215, 30, 67, 18));
    EXPECT_EQ(Child<QListWidget>("ListBox1")->geometry(), QRect(152, 47, 193, 114));
    auto* continuar = Child<QPushButton>("BitBtnContinuar");
    EXPECT_EQ(continuar->text(), "Continuar");
    EXPECT_EQ(continuar->geometry(), QRect(255, 165, 89, 25));
    EXPECT_TRUE(continuar->isDefault());
    EXPECT_FALSE(continuar->icon().isNull());
    EXPECT_TRUE(Items().isEmpty());  // filled when shown, not when created
}

TEST_F(PlantillasTest, ListsTheTemplatesAndRefreshesForTheChosenOne) {
    Load(kTwoTemplates);
    Show();
    EXPECT_EQ(Items(), (QStringList{"A", " B "}));
    EXPECT_EQ(Combo()->currentText(), "A");
    EXPECT_EQ(Text("LabelNombre"), QString::fromUtf8("Oto\xC3\xB1o"));
    EXPECT_EQ(Text("LabelPlanFec1"), "01/09/2024");
    EXPECT_EQ(Text("LabelPlanFec2"), "30/06/2025");
    EXPECT_EQ(Lines(), (QStringList{QString::fromUtf8("1\xC2\xAA hora"), QString::fromUtf8("2\xC2\xAA hora")}));

    // Picking the second code: matched with its blanks; a name is never read as markup.
    Combo()->setCurrentIndex(1);
    EXPECT_EQ(Text("LabelNombre"), " Tarde <b>");
    EXPECT_EQ(Child<QLabel>("LabelNombre")->textFormat(), Qt::PlainText);
    EXPECT_EQ(Text("LabelPlanFec2"), "29/06/2025");
    EXPECT_EQ(Lines(), QStringList{"T1"});

    // Each keystroke refreshes: "a" matches no code (the comparison keeps letter case).
    Combo()->lineEdit()->clear();
    QTest::keyClicks(Combo()->lineEdit(), "a");
    EXPECT_EQ(Text("LabelNombre"), "-");
    EXPECT_EQ(Text("LabelPlanFec1"), "-");
    EXPECT_TRUE(Lines().isEmpty());
    // Enter keeps the typed code (it is not swapped for the listed "A") and continues.
    QTest::keyClick(Combo()->lineEdit(), Qt::Key_Return);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_EQ(window->ChosenTemplate(), "a");
    EXPECT_EQ(Items(), (QStringList{"A", " B "}));  // nothing added
}

TEST_F(PlantillasTest, ClosingByTheTitleBarReturnsTheCodeAsContinuarDoes) {
    Load(kTwoTemplates);
    Show();
    Combo()->setCurrentIndex(1);
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->ChosenTemplate(), "B");  // trimmed

    // Shown again: the document is read again and the first code chosen again.
    Show();
    EXPECT_EQ(Combo()->currentText(), "A");
    Child<QPushButton>("BitBtnContinuar")->click();
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_EQ(window->ChosenTemplate(), "A");
}

TEST_F(PlantillasTest, OneTemplateAndOneSlotListNothing) {
    Load({{"JORNADAS_ESCOLARES", {{"J1", "Ma\xF1" "ana", "15/09/2026", "23/06/2027"}}},
          {"TRAMOS_HORARIOS", {{"1", "1\xAA hora", "480", "535", "J1"}}}});
    Show();
    EXPECT_TRUE(Items().isEmpty());
    EXPECT_EQ(Combo()->currentText(), "");
    EXPECT_EQ(Text("LabelNombre"), "-");
    EXPECT_TRUE(Lines().isEmpty());
    QTest::keyClicks(Combo()->lineEdit(), " J1 ");
    EXPECT_EQ(Text("LabelNombre"), "-");  // only shown with two templates or more
    window->close();
    EXPECT_EQ(window->ChosenTemplate(), "J1");
}

}  // namespace
}  // namespace vindeleo
