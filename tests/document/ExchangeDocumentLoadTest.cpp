// Loading: the three outcomes, the empty document after a failure, and
// documents built to read local files or exhaust memory through entities.

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <chrono>
#include <string>
#include <vector>

#include "document/DocumentSupport.h"
#include "document/ExchangeDocument.h"
#include "text/Error.h"

namespace vindeleo::test {
namespace {

namespace fs = std::filesystem;

const char* const kSecret = "TOP-SECRET-CONTENT-41";

const char* const kGood =
    "<SERVICIO><BLOQUE_DATOS><grupo_datos seq=\"S\"><grupo_datos><dato>x</dato></grupo_datos></grupo_datos>"
    "</BLOQUE_DATOS></SERVICIO>";

void ExpectEmpty(const ExchangeDocument& document) {
    EXPECT_TRUE(document.Rows("S").empty());
    EXPECT_FALSE(document.DocumentElement());
    EXPECT_TRUE(document.DocumentNode());
    EXPECT_FALSE(document.SelectSingleNode(document.DocumentNode(), "/SERVICIO/BLOQUE_DATOS"));
    EXPECT_FALSE(document.SelectSingleNode(Node(), "/SERVICIO"));
    EXPECT_TRUE(document.SelectNodes(document.DocumentNode(), "//*").empty());
    EXPECT_FALSE(ExchangeDocument::FirstChild(document.DocumentNode()));
}

TEST(ExchangeDocumentLoad, MissingFileOrDirectoryCannotBeRead) {
    TempDir dir;
    ExchangeDocument document;
    EXPECT_EQ(document.Load(dir / "missing.xml").status, LoadStatus::CannotRead);
    EXPECT_EQ(document.Load(dir / "nodir" / "missing.xml").status, LoadStatus::CannotRead);
    EXPECT_EQ(document.Load(dir.Path()).status, LoadStatus::CannotRead);
    ExpectEmpty(document);
}

TEST(ExchangeDocumentLoad, MalformedFileReportsWhereTheParserStopped) {
    struct Case {
        const char* name;
        std::string xml;
        int line;
        int column;
    };
    const std::vector<Case> cases = {
        {"mismatched end tag", "<SERVICIO>\n  <BLOQUE_DATOS>\n    <dato>x</datos>\n</SERVICIO>\n", 3, 20},
        {"unclosed root", "<SERVICIO>\n<BLOQUE_DATOS/>\n", 3, 1},
        {"text after root", "<SERVICIO/>\njunk", 2, 1},
        {"empty file", "", 1, 1},
        {"bad character in name", "<?xml version=\"1.0\"?>\n<SERVICIO>\n<a b=c/></SERVICIO>", 3, 6},
        {"invalid UTF-8", "<SERVICIO>\n<dato>\xFF\xFE</dato></SERVICIO>", 2, 7},
        {"undeclared prefix", "<SERVICIO>\n <x:dato/>\n</SERVICIO>", 2, 9},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(dir / "bad.xml", c.xml);
        ExchangeDocument document;
        const LoadResult result = document.Load(dir / "bad.xml");
        EXPECT_EQ(result.status, LoadStatus::NotWellFormed);
        EXPECT_EQ(result.line, c.line) << result.detail;
        EXPECT_EQ(result.column, c.column) << result.detail;
        EXPECT_FALSE(result.detail.empty());
        ExpectEmpty(document);
    }
}

TEST(ExchangeDocumentLoad, FailedLoadLeavesAnEmptyDocument) {
    TempDir dir;
    ExchangeDocument document = LoadXml(dir, kGood);
    ASSERT_EQ(document.Rows("S").size(), 1u);
    WriteFile(dir / "bad.xml", "<SERVICIO>");
    EXPECT_EQ(document.Load(dir / "bad.xml").status, LoadStatus::NotWellFormed);
    ExpectEmpty(document);
    EXPECT_EQ(document.Load(dir / "doc.xml").status, LoadStatus::Loaded);
    EXPECT_EQ(document.Rows("S").size(), 1u);
}

TEST(ExchangeDocumentLoad, ParserErrorsAreNotPrintedOnTheConsole) {
    TempDir dir;
    WriteFile(dir / "bad.xml", "<SERVICIO>\n<a></b>\n&undeclared;\n");
    WriteFile(dir / "ent.xml", "<!DOCTYPE SERVICIO [<!ENTITY e \"x\">]><SERVICIO>&e;</SERVICIO>");
    ExchangeDocument document;
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    document.Load(dir / "bad.xml");
    document.Load(dir / "ent.xml");
    EXPECT_THROW(document.SelectNodes(document.DocumentNode(), "/SERVICIO["), Error);
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "");
}

// Documents that try to reach outside the file or to grow without bound. Each
// is refused at the line of its first entity declaration or reference.
struct Hostile {
    const char* name;
    std::string xml;
    int line;
};

std::vector<Hostile> HostileDocuments(const fs::path& secret) {
    const std::string uri = "file://" + secret.string();
    const std::string row = "<grupo_datos seq=\"S\"><grupo_datos><dato>";
    const std::string rowEnd = "</dato></grupo_datos></grupo_datos>";
    std::string laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE SERVICIO [\n <!ENTITY l0 \"lol\">\n";
    for (int i = 1; i <= 30; ++i)
        laughs += " <!ENTITY l" + std::to_string(i) + " \"" + std::string() + "&l" + std::to_string(i - 1) + ";&l" +
                  std::to_string(i - 1) + ";&l" + std::to_string(i - 1) + ";&l" + std::to_string(i - 1) + ";\">\n";
    laughs += "]>\n<SERVICIO><BLOQUE_DATOS>" + row + "&l30;" + rowEnd + "</BLOQUE_DATOS></SERVICIO>\n";
    return {
        {"external entity by path",
         "<?xml version=\"1.0\"?>\n<!DOCTYPE SERVICIO [\n<!ENTITY s SYSTEM \"" + secret.string() +
             "\">\n]>\n<SERVICIO><BLOQUE_DATOS>" + row + "&s;" + rowEnd + "</BLOQUE_DATOS></SERVICIO>",
         3},
        {"external entity by file URI",
         "<!DOCTYPE SERVICIO [<!ENTITY s SYSTEM \"" + uri + "\">]>\n<SERVICIO><BLOQUE_DATOS>" + row + "&s;" + rowEnd +
             "</BLOQUE_DATOS></SERVICIO>",
         1},
        {"system password file",
         "<!DOCTYPE SERVICIO [\n<!ENTITY p SYSTEM \"file:///etc/passwd\">]>\n<SERVICIO><BLOQUE_DATOS>" + row + "&p;" +
             rowEnd + "</BLOQUE_DATOS></SERVICIO>",
         2},
        {"external entity in an attribute",
         "<!DOCTYPE SERVICIO [\n\n<!ENTITY s SYSTEM \"" + uri + "\">]>\n<SERVICIO a=\"&s;\"/>", 3},
        {"parameter entity", "<!DOCTYPE SERVICIO [\n<!ENTITY % p SYSTEM \"" + uri + "\">\n%p;\n]>\n<SERVICIO/>", 2},
        {"internal entity", "<!DOCTYPE SERVICIO [\n<!ENTITY e \"harmless\">\n]>\n<SERVICIO>&e;</SERVICIO>", 2},
        {"billion laughs", laughs, 3},
        {"entity of an external DTD",
         "<!DOCTYPE SERVICIO SYSTEM \"" + uri + "\">\n<SERVICIO>\n<BLOQUE_DATOS>" + row + "&s;" + rowEnd +
             "</BLOQUE_DATOS></SERVICIO>",
         3},
        {"undeclared entity", "<SERVICIO>\n\n<dato>&nbsp;</dato></SERVICIO>", 3},
    };
}

TEST(ExchangeDocumentLoad, EntityDeclarationsAndReferencesAreRefused) {
    TempDir dir;
    const fs::path secret = dir / "secret.txt";
    WriteFile(secret, kSecret);
    for (const Hostile& hostile : HostileDocuments(secret)) {
        SCOPED_TRACE(hostile.name);
        WriteFile(dir / "hostile.xml", hostile.xml);
        ExchangeDocument document;
        const auto start = std::chrono::steady_clock::now();
        const LoadResult result = document.Load(dir / "hostile.xml");
        const auto elapsed = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(result.status, LoadStatus::NotWellFormed);
        EXPECT_EQ(result.line, hostile.line) << result.detail;
        EXPECT_NE(result.detail.find("entit"), std::string::npos) << result.detail;
        EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 1000);
        for (const Row& row : document.Rows("S"))
            for (std::size_t k = 0; k < row.ValueCount(); ++k)
                EXPECT_EQ(row.Value(k).find(kSecret), std::string::npos);
        EXPECT_EQ(ExchangeDocument::Text(document.DocumentNode()).find(kSecret), std::string::npos);
        ExpectEmpty(document);
    }
}

// The process-wide loader is a second guard: even a parse that asks libxml2 to
// load DTDs and substitute entities gets nothing from outside.
TEST(ExchangeDocumentLoad, ExternalEntityLoaderRefusesEveryRequest) {
    TempDir dir;
    WriteFile(dir / "secret.txt", kSecret);
    const ExchangeDocument ready;  // installs the loader
    const std::string xml = "<!DOCTYPE SERVICIO [<!ENTITY s SYSTEM \"" + (dir / "secret.txt").string() +
                            "\">]><SERVICIO>&s;</SERVICIO>";
    xmlDocPtr doc = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr,
                                  XML_PARSE_NOENT | XML_PARSE_DTDLOAD | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (doc != nullptr) {
        xmlChar* text = xmlNodeGetContent(xmlDocGetRootElement(doc));
        const std::string content = text ? reinterpret_cast<const char*>(text) : "";
        xmlFree(text);
        xmlFreeDoc(doc);
        EXPECT_EQ(content.find(kSecret), std::string::npos);
    }
}

TEST(ExchangeDocumentLoad, DoctypeWithoutEntitiesIsAccepted) {
    TempDir dir;
    const ExchangeDocument document =
        LoadXml(dir, "<?xml version=\"1.0\"?>\n<!DOCTYPE SERVICIO [\n<!ELEMENT SERVICIO ANY>\n]>\n" +
                         std::string(kGood) + "<!-- after the root -->");
    EXPECT_EQ(document.Rows("S").size(), 1u);
}

TEST(ExchangeDocumentLoad, IncludesAreNotFollowed) {
    TempDir dir;
    WriteFile(dir / "secret.txt", kSecret);
    const ExchangeDocument document = LoadXml(
        dir, "<SERVICIO xmlns:xi=\"http://www.w3.org/2001/XInclude\"><BLOQUE_DATOS><grupo_datos seq=\"S\">"
             "<grupo_datos><dato><xi:include href=\"secret.txt\" parse=\"text\"/></dato></grupo_datos>"
             "</grupo_datos></BLOQUE_DATOS></SERVICIO>");
    const std::vector<Row> rows = document.Rows("S");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Value(0), "");
}

}  // namespace
}  // namespace vindeleo::test
