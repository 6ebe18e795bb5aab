// Reading an exchange document: sections, rows, values by position, white
// space, and the Windows-1252 texts that reach the tables.

#include <gtest/gtest.h>
#include <libxml/tree.h>

#include <string>
#include <vector>

#include "document/DocumentSupport.h"
#include "document/ExchangeDocument.h"
#include "document/XmlNames.h"

namespace vindeleo::test {
namespace {

using Strings = std::vector<std::string>;

const char* const kRowsPath = "/SERVICIO/BLOQUE_DATOS/grupo_datos[@seq=\"MATERIAS\"]/grupo_datos";

// Two sections MATERIAS in one data block and a third in a second block, among
// elements that look alike but are not sections or rows of MATERIAS.
const char* const kSections = R"(<?xml version="1.0" encoding="UTF-8"?>
<SERVICIO xmlns:x="urn:other">
  <BLOQUE_DATOS>
    <grupo_datos seq="MATERIAS">
      <grupo_datos><dato>a</dato><dato>1</dato></grupo_datos>
      <!-- a comment between rows -->
      <otro><dato>not a row</dato></otro>
      <grupo_datos><dato>b</dato><dato>2</dato></grupo_datos>
    </grupo_datos>
    <grupo_datos seq="EMPLEADOS">
      <grupo_datos><dato>e</dato></grupo_datos>
    </grupo_datos>
    <grupo_datos seq="materias"><grupo_datos><dato>lower</dato></grupo_datos></grupo_datos>
    <grupo_datos seq="MATERIAS "><grupo_datos><dato>blank</dato></grupo_datos></grupo_datos>
    <grupo_datos x:seq="MATERIAS"><grupo_datos><dato>ns attribute</dato></grupo_datos></grupo_datos>
    <x:grupo_datos seq="MATERIAS"><grupo_datos><dato>ns section</dato></grupo_datos></x:grupo_datos>
    <grupo_datos seq="MATERIAS">
      <grupo_datos><dato>c</dato></grupo_datos>
      <grupo_datos><grupo_datos seq="MATERIAS"><grupo_datos><dato>deep</dato></grupo_datos></grupo_datos></grupo_datos>
    </grupo_datos>
  </BLOQUE_DATOS>
  <otro><grupo_datos seq="MATERIAS"><grupo_datos><dato>outside</dato></grupo_datos></grupo_datos></otro>
  <BLOQUE_DATOS>
    <grupo_datos seq="MATERIAS"><grupo_datos><dato>d</dato></grupo_datos></grupo_datos>
  </BLOQUE_DATOS>
</SERVICIO>
)";

TEST(ExchangeDocumentRows, SectionsOfOneNameReadAsOneListInDocumentOrder) {
    TempDir dir;
    const ExchangeDocument document = LoadXml(dir, kSections);
    const std::vector<Row> rows = document.Rows("MATERIAS");
    EXPECT_EQ(FirstValues(rows), (Strings{"a", "b", "c", "", "d"}));
    EXPECT_EQ(rows[0].Value(1), "1");
    EXPECT_EQ(rows[3].ValueCount(), 0u);  // a row whose only child is another grupo_datos
    EXPECT_EQ(FirstValues(document.Rows("EMPLEADOS")), (Strings{"e"}));
    EXPECT_TRUE(document.Rows("NINGUNA").empty());
    EXPECT_TRUE(document.Rows("").empty());
}

TEST(ExchangeDocumentRows, SectionNameIsComparedWithLetterCase) {
    TempDir dir;
    const ExchangeDocument document = LoadXml(dir, kSections);
    EXPECT_EQ(FirstValues(document.Rows("materias")), (Strings{"lower"}));
    EXPECT_TRUE(document.Rows("Materias").empty());
    EXPECT_EQ(FirstValues(document.Rows("MATERIAS ")), (Strings{"blank"}));
}

// The row walk must select exactly what the section's XPath path selects.
TEST(ExchangeDocumentRows, RowsAreTheNodesOfTheSectionPath) {
    TempDir dir;
    const ExchangeDocument document = LoadXml(dir, kSections);
    const std::vector<Node> byPath = document.SelectNodes(document.DocumentNode(), kRowsPath);
    const std::vector<Row> rows = document.Rows("MATERIAS");
    ASSERT_EQ(rows.size(), byPath.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::vector<Node> datos = document.SelectNodes(byPath[i], "dato");
        ASSERT_EQ(rows[i].ValueCount(), datos.size()) << "row " << i;
        for (std::size_t k = 0; k < datos.size(); ++k)
            EXPECT_EQ(rows[i].Value(k), ExchangeDocument::Text(datos[k])) << "row " << i << " position " << k;
    }
}

TEST(ExchangeDocumentRows, DocumentWithAnotherRootHasNoSections) {
    TempDir dir;
    const ExchangeDocument document = LoadXml(
        dir, "<OTRO><BLOQUE_DATOS><grupo_datos seq=\"MATERIAS\"><grupo_datos><dato>x</dato></grupo_datos>"
             "</grupo_datos></BLOQUE_DATOS></OTRO>");
    EXPECT_TRUE(document.Rows("MATERIAS").empty());
}

TEST(ExchangeDocumentValues, PositionsCountOnlyDatoChildren) {
    TempDir dir;
    const ExchangeDocument document = LoadXml(dir, R"(<SERVICIO><BLOQUE_DATOS><grupo_datos seq="S">
<grupo_datos>
  <!-- before the first -->
  <dato>A</dato>
  <nombre>not a value</nombre>
  text between
  <dato>B</dato>
  <?marca x?>
  <x:dato xmlns:x="urn:x">namespaced</x:dato>
  <DATO>other case</DATO>
  <dato>C</dato>
</grupo_datos>
</grupo_datos></BLOQUE_DATOS></SERVICIO>)");
    const std::vector<Row> rows = document.Rows("S");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(ValuesOf(rows[0]), (Strings{"A", "B", "C"}));
    EXPECT_EQ(rows[0].Value(3), "");
    EXPECT_EQ(rows[0].Trimmed(3), "");
    EXPECT_EQ(rows[0].Value(1000), "");
}

TEST(ExchangeDocumentValues, ValueIsUntrimmedAndTrimmedCutsBlanks) {
    TempDir dir;
    const ExchangeDocument document = LoadXml(dir, R"(<SERVICIO>
  <BLOQUE_DATOS>
    <grupo_datos seq="S">
      <grupo_datos>
        <dato>  Ana  </dato>
        <dato>   </dato>
        <dato/>
        <dato>
  two lines
</dato>
        <dato>	tab	</dato>
      </grupo_datos>
    </grupo_datos>
  </BLOQUE_DATOS>
</SERVICIO>
)");
    const std::vector<Row> rows = document.Rows("S");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(ValuesOf(rows[0]), (Strings{"  Ana  ", "   ", "", "\n  two lines\n", "\ttab\t"}));
    EXPECT_EQ(rows[0].Trimmed(0), "Ana");
    EXPECT_EQ(rows[0].Trimmed(1), "");
    EXPECT_EQ(rows[0].Trimmed(4), "\ttab\t");  // only blanks are trimmed
}

TEST(ExchangeDocumentValues, ValueIsTheTextOfEveryDescendant) {
    TempDir dir;
    const ExchangeDocument document = LoadXml(
        dir, "<SERVICIO><BLOQUE_DATOS><grupo_datos seq=\"S\"><grupo_datos>"
             "<dato>a<b>b<i> i </i></b><![CDATA[<c>&amp;]]><!--not text-->d&amp;&lt;&#233;&#x20AC;</dato>"
             "</grupo_datos></grupo_datos></BLOQUE_DATOS></SERVICIO>");
    const std::vector<Row> rows = document.Rows("S");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Value(0), "ab i <c>&amp;d&<\xE9\x80");
}

TEST(ExchangeDocumentValues, IndentationIsNotTextButContentIs) {
    TempDir dir;
    const ExchangeDocument document = LoadXml(dir,
                                              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                                              "<SERVICIO modulo=\"X\">\r\n"
                                              "\t<BLOQUE_DATOS>\r\n"
                                              "\t\t<grupo_datos seq=\"ANNO\">\r\n"
                                              "\t\t\t<dato>2024/25 curso</dato>\r\n"
                                              "\t\t</grupo_datos>\r\n"
                                              "\t\t<vacio>  </vacio>\r\n"
                                              "\t</BLOQUE_DATOS>\r\n"
                                              "</SERVICIO>\r\n");
    const Node block = document.SelectSingleNode(document.DocumentNode(), "/SERVICIO/BLOQUE_DATOS");
    ASSERT_TRUE(block);
    const Node first = ExchangeDocument::FirstChild(block);
    ASSERT_TRUE(first);
    EXPECT_EQ(first.Raw()->type, XML_ELEMENT_NODE);
    EXPECT_STREQ(reinterpret_cast<const char*>(first.Raw()->name), "grupo_datos");
    EXPECT_EQ(ExchangeDocument::Text(first), "2024/25 curso");
    EXPECT_EQ(ExchangeDocument::Text(block), "2024/25 curso  ");
    const Node empty = document.SelectSingleNode(document.DocumentNode(), "/SERVICIO/BLOQUE_DATOS/vacio");
    EXPECT_EQ(ExchangeDocument::Text(empty), "  ");
}

TEST(ExchangeDocumentValues, TextIsReadInWindows1252) {
    TempDir dir;
    // é, €, Ó are in Windows-1252; ā (U+0101), → (U+2192) and 𝄞 (U+1D11E) are not.
    const ExchangeDocument document = LoadXml(
        dir, "<?xml version=\"1.0\" encoding=\"UTF-8\"?><SERVICIO><BLOQUE_DATOS><grupo_datos seq=\"S\">"
             "<grupo_datos><dato>Jos\xC3\xA9</dato><dato>5\xE2\x82\xAC</dato><dato>\xC3\x93scar</dato>"
             "<dato>M\xC4\x81ori \xE2\x86\x92 x</dato><dato>\xF0\x9D\x84\x9E</dato></grupo_datos>"
             "</grupo_datos></BLOQUE_DATOS></SERVICIO>");
    const std::vector<Row> rows = document.Rows("S");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(ValuesOf(rows[0]), (Strings{"Jos\xE9", "5\x80", "\xD3scar", "M?ori ? x", "?"}));
}

// The characters that become '?', each once in the order met, also in a value
// of several text nodes; none for a position the row lacks.
TEST(ExchangeDocumentValues, CharactersLostToWindows1252AreNamed) {
    TempDir dir;
    const ExchangeDocument document = LoadXml(
        dir, "<?xml version=\"1.0\" encoding=\"UTF-8\"?><SERVICIO><BLOQUE_DATOS><grupo_datos seq=\"S\">"
             "<grupo_datos><dato>Jos\xC3\xA9 5\xE2\x82\xAC ?</dato><dato>M\xC4\x81ori \xE2\x86\x92 \xC4\x81</dato>"
             "<dato>\xF0\x9D\x84\x9E</dato><dato>a<b>\xC4\x81</b><![CDATA[\xE2\x86\x92]]>b</dato></grupo_datos>"
             "</grupo_datos></BLOQUE_DATOS></SERVICIO>");
    const std::vector<Row> rows = document.Rows("S");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].CharactersLost(0), std::vector<char32_t>{});
    EXPECT_EQ(rows[0].CharactersLost(1), (std::vector<char32_t>{0x0101, 0x2192}));
    EXPECT_EQ(rows[0].CharactersLost(2), std::vector<char32_t>{0x1D11E});
    EXPECT_EQ(rows[0].CharactersLost(3), (std::vector<char32_t>{0x0101, 0x2192}));
    EXPECT_EQ(rows[0].Value(3), "a??b");
    EXPECT_EQ(rows[0].CharactersLost(4), std::vector<char32_t>{});
}

TEST(ExchangeDocumentValues, SectionNamesAreMatchedAsWindows1252) {
    TempDir dir;
    const ExchangeDocument document = LoadXml(
        dir, "<SERVICIO><BLOQUE_DATOS><grupo_datos seq=\"A\xC3\x91O\"><grupo_datos><dato>x</dato></grupo_datos>"
             "</grupo_datos></BLOQUE_DATOS></SERVICIO>");
    EXPECT_EQ(document.Rows("A\xD1O").size(), 1u);
}

TEST(ExchangeDocumentValues, ManyRowsAreReadInDocumentOrder) {
    TempDir dir;
    std::string xml = "<SERVICIO>\n <BLOQUE_DATOS>\n  <grupo_datos seq=\"EMPLEADOS\">\n";
    const int kRows = 50000;
    for (int i = 0; i < kRows; ++i)
        xml += "   <grupo_datos><dato>" + std::to_string(i) +
               "</dato><dato> F </dato><dato>DEP</dato><dato>Ana</dato><dato>Ruiz</dato><dato>Gil</dato></grupo_datos>\n";
    xml += "  </grupo_datos>\n </BLOQUE_DATOS>\n</SERVICIO>\n";
    const ExchangeDocument document = LoadXml(dir, xml);
    const std::vector<Row> rows = document.Rows("EMPLEADOS");
    std::size_t characters = 0;
    for (const Row& row : rows)
        for (std::size_t k = 0; k < 6; ++k) characters += row.Trimmed(k).size();
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(kRows));
    for (int i : {0, 1, kRows / 2, kRows - 1}) EXPECT_EQ(rows[i].Value(0), std::to_string(i));
    EXPECT_EQ(rows.back().Trimmed(1), "F");
    // Every row's six values, "F" trimmed from " F ".
    std::size_t digits = 0;
    for (int i = 0; i < kRows; ++i) digits += std::to_string(i).size();
    EXPECT_EQ(characters, digits + static_cast<std::size_t>(kRows) * (1 + 3 + 3 + 4 + 3));
}

}  // namespace
}  // namespace vindeleo::test
