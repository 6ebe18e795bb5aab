#include <gtest/gtest.h>

#include "import/Plantihoras.h"
#include "platform/PathText.h"
#include "support/TestSupport.h"
#include "text/Codepage.h"

namespace vindeleo {
namespace {

using test::ExchangeXml;
using test::TempDir;
using test::WriteFile;

using Lines = std::vector<std::string>;

class TemplateChooserTest : public ::testing::Test {
protected:
    // Writes the document and returns its file name.
    std::string Document(const std::vector<test::Section>& sections) {
        WriteFile(file, ExchangeXml(sections));
        return PathText(file);
    }
    TempDir dir;
    std::filesystem::path file = dir / "school.xml";
};

// Two templates, the second with blanks around its code; slots of both.
const std::vector<test::Section> kTwoTemplates = {
    {"JORNADAS_ESCOLARES",
     {{"A", "Oto\xF1o", "01/09/2024", "30/06/2025"}, {" B ", " Tarde ", "02/09/2024", "29/06/2025"}}},
    {"TRAMOS_HORARIOS",
     {
         {"1", "1\xAA hora", "480", "535", "A"},
         {"2", "T1", "900", "955", " B "},
         {"3", "2\xAA hora", "535", "590", "A"},
         {"4", "T2", "955", "1010", "B"},
         {"5", "sin plantilla"},  // fewer values: its template code is empty
     }},
};

TEST_F(TemplateChooserTest, ListsTheTemplatesAndShowsTheFirst) {
    TemplateChooser chooser(Document(kTwoTemplates));
    chooser.FormActivate();
    EXPECT_EQ(chooser.ComboItems(), (Lines{"A", " B "}));
    EXPECT_EQ(chooser.ComboText(), "A");
    EXPECT_EQ(chooser.LabelNombre(), "Oto\xF1o");
    EXPECT_EQ(chooser.LabelPlanFec1(), "01/09/2024");
    EXPECT_EQ(chooser.LabelPlanFec2(), "30/06/2025");
    EXPECT_EQ(chooser.ListBoxLines(), (Lines{"1\xAA hora", "2\xAA hora"}));
    EXPECT_EQ(chooser.Close(), "A");
    EXPECT_EQ(chooser.ChosenTemplate(), "A");
}

// The chooser loads its own copy of the document by the runs' rule: an
// internal entity is read as its text; a document whose entities grow beyond
// the bound reads as empty.
TEST_F(TemplateChooserTest, EntitiesAreReadAsTheRunsReadThem) {
    const std::string templates =
        "<SERVICIO><BLOQUE_DATOS><grupo_datos seq=\"JORNADAS_ESCOLARES\">"
        "<grupo_datos><dato>A</dato><dato>&tarde;</dato><dato>1</dato><dato>2</dato></grupo_datos>"
        "<grupo_datos><dato>B</dato><dato>Ma\xC3\xB1" "ana</dato><dato>3</dato><dato>4</dato></grupo_datos>"
        "</grupo_datos></BLOQUE_DATOS></SERVICIO>";
    WriteFile(file, "<!DOCTYPE SERVICIO [<!ENTITY tarde \"Jornada de tarde\">]>" + templates);
    TemplateChooser chooser(PathText(file));
    chooser.FormActivate();
    EXPECT_EQ(chooser.ComboItems(), (Lines{"A", "B"}));
    EXPECT_EQ(chooser.LabelNombre(), "Jornada de tarde");

    std::string laughs = "<!DOCTYPE SERVICIO [<!ENTITY l0 \"lol\">";
    for (int i = 1; i <= 30; ++i) {
        const std::string previous = "&l" + std::to_string(i - 1) + ";";
        laughs += "<!ENTITY l" + std::to_string(i) + " \"" + previous + previous + previous + previous + "\">";
    }
    WriteFile(file, laughs + "<!ENTITY tarde \"&l30;\">]>" + templates);
    TemplateChooser bombed(PathText(file));
    bombed.FormActivate();
    EXPECT_EQ(bombed.ComboItems(), Lines{});
    EXPECT_EQ(bombed.LabelNombre(), "-");
}

TEST_F(TemplateChooserTest, TheComboTextIsMatchedRawAndReturnedTrimmed) {
    struct Case {
        std::string text;
        std::string name, start, end;
        Lines slots;
        std::string chosen;
    };
    const Case cases[] = {
        {" B ", " Tarde ", "02/09/2024", "29/06/2025", {"T1"}, "B"},
        {"B", "-", "-", "-", {"T2"}, "B"},  // the code without its blanks is another code
        {"a", "-", "-", "-", {}, "a"},      // typed, in another letter case
        {"", "-", "-", "-", {"sin plantilla"}, ""},
        {"\t\x01 zz\r\n", "-", "-", "-", {}, "zz"},
    };
    TemplateChooser chooser(Document(kTwoTemplates));
    chooser.FormActivate();
    for (const auto& c : cases) {
        chooser.ComboBoxPlantillaChange(c.text);
        EXPECT_EQ(chooser.ComboText(), c.text);
        EXPECT_EQ(chooser.LabelNombre(), c.name) << c.text;
        EXPECT_EQ(chooser.LabelPlanFec1(), c.start) << c.text;
        EXPECT_EQ(chooser.LabelPlanFec2(), c.end) << c.text;
        EXPECT_EQ(chooser.ListBoxLines(), c.slots) << c.text;
        EXPECT_EQ(chooser.Close(), c.chosen) << c.text;
    }
    EXPECT_EQ(chooser.ComboItems(), (Lines{"A", " B "}));
}

TEST_F(TemplateChooserTest, ActivatingAgainReadsTheFileAgain) {
    TemplateChooser chooser(Document(kTwoTemplates));
    chooser.FormActivate();
    chooser.ComboBoxPlantillaChange(" B ");
    Document({{"JORNADAS_ESCOLARES", {{"X", "Equis", "1", "2"}, {"Y", "Ye", "3", "4"}}}});
    chooser.FormActivate();
    EXPECT_EQ(chooser.ComboItems(), (Lines{"X", "Y"}));
    EXPECT_EQ(chooser.ComboText(), "X");
    EXPECT_EQ(chooser.LabelNombre(), "Equis");
    // No slot section now: the list is left as it was.
    EXPECT_EQ(chooser.ListBoxLines(), Lines{"T1"});
}

TEST_F(TemplateChooserTest, DuplicateCodesShowTheLastMatchingRow) {
    TemplateChooser chooser(Document(
        {{"JORNADAS_ESCOLARES", {{"A", "Primera", "1", "2"}, {"B", "Otra", "3", "4"}, {"A", "Segunda", "5"}}}}));
    chooser.FormActivate();
    EXPECT_EQ(chooser.ComboItems(), (Lines{"A", "B", "A"}));
    EXPECT_EQ(chooser.LabelNombre(), "Segunda");
    EXPECT_EQ(chooser.LabelPlanFec1(), "5");
    EXPECT_EQ(chooser.LabelPlanFec2(), "");  // a missing value reads as empty text
}

TEST_F(TemplateChooserTest, ASingleRowFillsNeitherComboNorList) {
    // One template row: the combo box keeps no item and the labels show "-".
    TemplateChooser oneTemplate(
        Document({{"JORNADAS_ESCOLARES", {{"A", "Sola", "1", "2"}}},
                  {"TRAMOS_HORARIOS", {{"1", "uno", "480", "535", "A"}, {"2", "dos", "535", "590", "A"}}}}));
    oneTemplate.FormActivate();
    EXPECT_TRUE(oneTemplate.ComboItems().empty());
    EXPECT_EQ(oneTemplate.ComboText(), "");
    EXPECT_EQ(oneTemplate.LabelNombre(), "-");
    oneTemplate.ComboBoxPlantillaChange("A");
    EXPECT_EQ(oneTemplate.LabelNombre(), "-");
    EXPECT_EQ(oneTemplate.ListBoxLines(), (Lines{"uno", "dos"}));

    // One slot row: the list stays empty although the slot matches.
    TemplateChooser oneSlot(Document({{"JORNADAS_ESCOLARES", {{"A", "Uno", "1", "2"}, {"B", "Dos", "3", "4"}}},
                                      {"TRAMOS_HORARIOS", {{"1", "uno", "480", "535", "A"}}}}));
    oneSlot.FormActivate();
    EXPECT_EQ(oneSlot.LabelNombre(), "Uno");
    EXPECT_TRUE(oneSlot.ListBoxLines().empty());
}

TEST_F(TemplateChooserTest, AFileThatDoesNotLoadGivesAnEmptyChooser) {
    WriteFile(dir / "broken.xml", "<SERVICIO><BLOQUE_DATOS>");
    for (const auto& name : {dir / "missing.xml", dir / "broken.xml"}) {
        TemplateChooser chooser(PathText(name));
        chooser.FormActivate();
        EXPECT_TRUE(chooser.ComboItems().empty()) << name;
        EXPECT_EQ(chooser.ComboText(), "");
        EXPECT_EQ(chooser.LabelNombre(), "-");
        EXPECT_EQ(chooser.LabelPlanFec1(), "-");
        EXPECT_EQ(chooser.LabelPlanFec2(), "-");
        EXPECT_TRUE(chooser.ListBoxLines().empty());
        EXPECT_EQ(chooser.Close(), "");
    }
}

TEST(TrimControlsTest, StripsCodesUpTo32AtBothEnds) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {" \t\r\n", ""},
        {"\x01 A B \x1f", "A B"},
        {std::string("\0A\0", 3), "A"},
        {"\240A\240", "\240A\240"},  // no-break spaces (160, octal 240) stay
        {"!x!", "!x!"},
    };
    for (const auto& [text, trimmed] : cases) EXPECT_EQ(TrimControls(text), trimmed);
}

}  // namespace
}  // namespace vindeleo
