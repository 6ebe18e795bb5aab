// Documents in the system's code page: read and written by the document
// layer's own converter under each name of Windows-1252, byte for byte, with a
// character reference for a character the code page lacks; and a declared
// encoding that this build cannot convert.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/DocumentSupport.h"
#include "document/ExchangeDocument.h"

namespace vindeleo::test {
namespace {

namespace fs = std::filesystem;

// Every byte from 0x80 to 0xFF, the five that Windows-1252 leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) left out or kept.
std::string HighBytes(bool withUndefined) {
    std::string bytes;
    for (int b = 0x80; b <= 0xFF; ++b) {
        const bool undefined = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
        if (withUndefined || !undefined) bytes += static_cast<char>(b);
    }
    return bytes;
}

// The same characters as UTF-8, written out here, not converted by the system.
const char* const kHighCharactersUtf8 =
    "€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ"
    "\xC2\xA0¡¢£¤¥¦§¨©ª«¬\xC2\xAD®¯°±²³´µ¶·¸¹º»¼½¾¿ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖ×ØÙÚÛÜÝÞßàáâãäåæçèéêëìíîïðñòóôõö÷øùúûüýþÿ";

std::string Declaration(const std::string& encoding) {
    return "<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>\n";
}

// A document with one section S: `nota` on the section, one row per value.
std::string SectionDocument(const std::string& declaration, const std::string& nota,
                            const std::vector<std::string>& values) {
    std::string xml = declaration + "<SERVICIO><BLOQUE_DATOS><grupo_datos seq=\"S\" nota=\"" + nota + "\">";
    for (const std::string& value : values) xml += "<grupo_datos><dato>" + value + "</dato></grupo_datos>";
    return xml + "</grupo_datos></BLOQUE_DATOS></SERVICIO>\n";
}

std::string Nota(const ExchangeDocument& document) {
    return ExchangeDocument::Text(document.SelectSingleNode(document.DocumentNode(), "//grupo_datos/@nota"));
}

// Each name a document may declare the code page by, in the letter case it
// comes in. The long value (a quarter of a megabyte of the widest characters)
// outgrows every buffer libxml2 converts at once.
TEST(Windows1252Document, TextsAreReadAsTheirBytesUnderEachNameOfTheCodePage) {
    const std::string name = "Jos\xE9 Mar\xED" "a Ib\xE1\xF1" "ez \xD1" "and\xFA";
    std::string wide;
    for (int i = 0; i < 2000; ++i) wide += HighBytes(true);
    const std::vector<std::string> expected = {HighBytes(true), name, wide};
    for (const char* encoding : {"windows-1252", "WINDOWS-1252", "Windows-1252", "cp1252", "CP1252", "x-cp1252",
                                 "X-CP1252", "MS-ANSI", "ms-ansi"}) {
        SCOPED_TRACE(encoding);
        TempDir dir;
        const ExchangeDocument document =
            LoadXml(dir, SectionDocument(Declaration(encoding), HighBytes(true), expected));
        const std::vector<Row> rows = document.Rows("S");
        EXPECT_EQ(FirstValues(rows), expected);
        EXPECT_EQ(Nota(document), HighBytes(true));
    }

    // The characters are those of the code page: the same document in UTF-8
    // reads the same.
    TempDir dir;
    const ExchangeDocument asUtf8 =
        LoadXml(dir, SectionDocument(Declaration("UTF-8"), kHighCharactersUtf8, {kHighCharactersUtf8}));
    EXPECT_EQ(Nota(asUtf8), HighBytes(false));
    EXPECT_EQ(FirstValues(asUtf8.Rows("S")), std::vector<std::string>{HighBytes(false)});
}

// Under the names that iconv knows, libxml2 would convert through iconv (as
// xmllint does), which refuses the bytes that the code page leaves undefined;
// the system's own converter reads them, and writes them back as they were.
TEST(Windows1252Document, IsConvertedByTheSystemsOwnConverterNotByIconv) {
    const std::string text = "A\x81" "B\x8D" "C\x8F" "D\x90" "E\x9D";
    for (const char* encoding : {"windows-1252", "cp1252", "MS-ANSI"}) {
        SCOPED_TRACE(encoding);
        TempDir dir;
        const std::string xml =
            Declaration(encoding) + "<SERVICIO>\n  <a n=\"" + text + "\">" + text + "</a>\n</SERVICIO>\n";
        WriteFile(dir / "iconv.xml", xml);
        EXPECT_NE(XmllintComplaint(dir / "iconv.xml"), "");

        ExchangeDocument document = LoadXml(dir, xml);
        EXPECT_EQ(ExchangeDocument::Text(document.DocumentElement()), text);
        document.Save(dir / "out.xml");
        EXPECT_EQ(ReadFile(dir / "out.xml"), xml);
    }
}

// Saved in the declared code page: the bytes as they were read, the text set
// by the export in its bytes, and a character that the code page lacks (here
// from a character reference of the document) as a reference again, with C1
// controls other than the five undefined bytes among them. xmllint, through
// iconv, reads the same characters back.
TEST(Windows1252Document, IsSavedByteForByteWithReferencesForCharactersItLacks) {
    TempDir dir;
    std::string wide;
    for (int i = 0; i < 2000; ++i) wide += HighBytes(false);
    const std::string head = Declaration("windows-1252") + "<SERVICIO nota=\"" + HighBytes(false) + "\">\n  <!--" +
                             HighBytes(false) + "-->\n  <a>" + wide + "</a>\n  <b>";
    const std::string tail = "</b>\n  <c/>\n</SERVICIO>\n";
    ExchangeDocument document = LoadXml(dir, head + "&#256;&#x80;&#8364;&#x1D11E;&#x9F;" + tail);
    const Node c = document.SelectSingleNode(document.DocumentNode(), "/SERVICIO/c");
    ExchangeDocument::SetText(c, "Mu\xF1oz \x80 \x9F");

    document.Save(dir / "out.xml");
    const std::string expected = head + "&#256;&#128;\x80&#119070;&#159;" +
                                 "</b>\n  <c>Mu\xF1oz \x80 \x9F</c>\n</SERVICIO>\n";
    const std::string saved = ReadFile(dir / "out.xml");
    EXPECT_EQ(saved.size(), expected.size());
    EXPECT_TRUE(saved == expected) << saved.substr(saved.size() - 200);

    const CommandResult utf8 = RunCommand("xmllint --nonet --encode UTF-8 " + Quoted(dir / "out.xml"));
    ASSERT_EQ(utf8.exitCode, 0) << utf8.err;
    EXPECT_NE(utf8.out.find(std::string("<SERVICIO nota=\"") + kHighCharactersUtf8 + "\">"), std::string::npos);
    EXPECT_NE(utf8.out.find("<b>\xC4\x80\xC2\x80\xE2\x82\xAC\xF0\x9D\x84\x9E\xC2\x9F</b>"), std::string::npos)
        << utf8.out.substr(utf8.out.size() - 200);
    EXPECT_NE(utf8.out.find("<c>Mu\xC3\xB1oz \xE2\x82\xAC \xC5\xB8</c>"), std::string::npos);
}

// A declared encoding that the build has no converter for: none at all, or
// one that libxml2 can only write. Nothing of the document is read.
TEST(DeclaredEncoding, WithoutAConverterIsReportedByName) {
    for (const char* encoding : {"EBCDIC-XYZ", "HTML"}) {
        SCOPED_TRACE(encoding);
        TempDir dir;
        WriteFile(dir / "doc.xml", SectionDocument(Declaration(encoding), "x", {"Jos\xE9"}));
        ExchangeDocument document;
        const LoadResult result = document.Load(dir / "doc.xml");
        EXPECT_EQ(result.status, LoadStatus::UnsupportedEncoding) << result.detail;
        EXPECT_EQ(result.encoding, encoding);
        EXPECT_FALSE(document.DocumentElement());
    }
}

}  // namespace
}  // namespace vindeleo::test
