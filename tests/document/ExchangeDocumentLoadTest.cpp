// Loading: its outcomes, the empty document after a failure, internal entities
// replaced by their text, and documents built to read local files or exhaust
// memory through entities.

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <sys/resource.h>
#include <unistd.h>

#include <fstream>
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

// Internal entities are replaced by their text wherever the document uses
// them: in values, in attributes, inside other entities, as whole elements,
// and many thousands of times. Declaring an external or a parameter entity, or
// naming an external DTD, without using them reads nothing and refuses nothing.
TEST(ExchangeDocumentLoad, InternalEntitiesAreReplacedByTheirText) {
    TempDir dir;
    std::string many;
    for (int i = 0; i < 100000; ++i) many += "<grupo_datos><dato>&centro;</dato><dato>2</dato></grupo_datos>";
    const ExchangeDocument document = LoadXml(
        dir,
        "<?xml version=\"1.0\"?>\n<!DOCTYPE SERVICIO SYSTEM \"secret.dtd\" [\n"
        "<!ENTITY centro \"IES Uno\">\n"
        "<!ENTITY lugar \"&centro; de Soria &amp; Almaz\xC3\xA1n\">\n"
        "<!ENTITY fila \"<grupo_datos><dato>A1</dato><dato>&lugar;</dato></grupo_datos>\">\n"
        "<!ENTITY ciudad \"Soria\">\n"
        "<!ENTITY % parametro \"<!ENTITY otra 'Burgos'>\">\n"
        "<!ENTITY secreto SYSTEM \"" + (dir / "secret.txt").string() + "\">\n"
        "]>\n"
        "<SERVICIO><BLOQUE_DATOS>"
        "<grupo_datos seq=\"S\" nota=\"&lugar;\"><grupo_datos><dato>&centro;</dato><dato>&ciudad;</dato></grupo_datos>"
        "&fila;</grupo_datos>"
        "<grupo_datos seq=\"MUCHAS\">" + many + "</grupo_datos>"
        "</BLOQUE_DATOS></SERVICIO>");
    const std::vector<Row> rows = document.Rows("S");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(ValuesOf(rows[0]), (std::vector<std::string>{"IES Uno", "Soria"}));
    EXPECT_EQ(ValuesOf(rows[1]), (std::vector<std::string>{"A1", "IES Uno de Soria & Almaz\xE1n"}));
    const Node section = document.SelectSingleNode(document.DocumentNode(), "/SERVICIO/BLOQUE_DATOS/grupo_datos/@nota");
    ASSERT_TRUE(section);
    EXPECT_EQ(ExchangeDocument::Text(section), "IES Uno de Soria & Almaz\xE1n");
    const std::vector<Row> many_ = document.Rows("MUCHAS");
    ASSERT_EQ(many_.size(), 100000u);
    EXPECT_EQ(many_.back().Value(0), "IES Uno");
}

// The bound is on the text that entity references add to the whole document:
// ten million bytes may be added, not one more, however large the document
// around them.
TEST(ExchangeDocumentLoad, EntitiesAddAtMostTenMillionBytes) {
    TempDir dir;
    const std::string padding = "<!-- " + std::string(5'000'000, 'p') + " -->\n";
    for (const int uses : {10, 11}) {
        std::string rows;
        for (int i = 0; i < uses; ++i) rows += "<grupo_datos><dato>&grande;</dato></grupo_datos>";
        WriteFile(dir / "big.xml", "<!DOCTYPE SERVICIO [\n<!ENTITY grande \"" + std::string(1'000'000, 'x') +
                                       "\">\n]>\n" + padding +
                                       "<SERVICIO><BLOQUE_DATOS><grupo_datos seq=\"S\">" + rows +
                                       "</grupo_datos></BLOQUE_DATOS></SERVICIO>\n");
        ExchangeDocument document;
        const LoadResult result = document.Load(dir / "big.xml");
        if (uses == 10) {
            ASSERT_EQ(result.status, LoadStatus::Loaded) << result.detail;
            EXPECT_EQ(document.Rows("S").size(), 10u);
            EXPECT_EQ(document.Rows("S").back().Value(0), std::string(1'000'000, 'x'));
        } else {
            EXPECT_EQ(result.status, LoadStatus::EntitiesTooLarge) << result.detail;
            EXPECT_EQ(result.line, 5);
        }
    }
}

// Documents that try to reach outside the file, whose entities grow beyond the
// bound (at once, by many uses of one large entity, by containing themselves,
// in attributes), or that use parameter entities, which are not read. Each is
// refused at the line of the reference, with nothing read from outside, in a
// process whose memory is limited well below what any of them would take when
// expanded.
struct Hostile {
    const char* name;
    std::string xml;
    LoadStatus status;
    int line;
};

std::string Laughs(const std::string& use, const std::string& more = "", const std::string& laugh = "lol") {
    std::string dtd = "<?xml version=\"1.0\"?>\n<!DOCTYPE SERVICIO [\n <!ENTITY l0 \"" + laugh + "\">\n";
    for (int i = 1; i <= 30; ++i) {
        const std::string previous = "&l" + std::to_string(i - 1) + ";";
        dtd += " <!ENTITY l" + std::to_string(i) + " \"" + previous + previous + previous + previous + "\">\n";
    }
    return dtd + more + "]>\n" + use;
}

std::vector<Hostile> HostileDocuments(const fs::path& secret) {
    const std::string uri = "file://" + secret.string();
    const std::string row = "<grupo_datos seq=\"S\"><grupo_datos><dato>";
    const std::string rowEnd = "</dato></grupo_datos></grupo_datos>";
    const auto block = [&](const std::string& value) {
        return "<SERVICIO><BLOQUE_DATOS>" + row + value + rowEnd + "</BLOQUE_DATOS></SERVICIO>\n";
    };
    std::string thousandUses;
    for (int i = 0; i < 1000; ++i) thousandUses += "&grande;";
    std::string parameterLaughs = "<!DOCTYPE SERVICIO [\n<!ENTITY % p0 \"<!-- lol -->\">\n";
    for (int i = 1; i <= 30; ++i) {
        const std::string previous = "&#37;p" + std::to_string(i - 1) + ";";
        parameterLaughs +=
            "<!ENTITY % p" + std::to_string(i) + " \"" + previous + previous + previous + previous + "\">\n";
    }
    parameterLaughs += "%p30;\n]>\n<SERVICIO/>";
    return {
        {"external entity by path",
         "<?xml version=\"1.0\"?>\n<!DOCTYPE SERVICIO [\n<!ENTITY s SYSTEM \"" + secret.string() + "\">\n]>\n" +
             block("&s;"),
         LoadStatus::UnreadEntity, 5},
        {"external entity by file URI", "<!DOCTYPE SERVICIO [<!ENTITY s SYSTEM \"" + uri + "\">]>\n" + block("&s;"),
         LoadStatus::UnreadEntity, 2},
        {"system password file",
         "<!DOCTYPE SERVICIO [\n<!ENTITY p SYSTEM \"file:///etc/passwd\">]>\n" + block("&p;"),
         LoadStatus::UnreadEntity, 3},
        {"external entity in an attribute",
         "<!DOCTYPE SERVICIO [\n\n<!ENTITY s SYSTEM \"" + uri + "\">]>\n<SERVICIO a=\"&s;\"/>",
         LoadStatus::UnreadEntity, 4},
        {"external entity inside an internal one",
         "<!DOCTYPE SERVICIO [\n<!ENTITY s SYSTEM \"" + uri + "\">\n<!ENTITY i \"x &s; y\">\n]>\n" + block("&i;"),
         LoadStatus::UnreadEntity, 5},
        {"external parameter entity",
         "<!DOCTYPE SERVICIO [\n<!ENTITY % p SYSTEM \"" + uri + "\">\n%p;\n]>\n<SERVICIO/>",
         LoadStatus::UnreadEntity, 3},
        {"entity of an external DTD", "<!DOCTYPE SERVICIO SYSTEM \"" + uri + "\">\n<SERVICIO>\n" + block("&s;"),
         LoadStatus::UnreadEntity, 3},
        {"undeclared entity", "<SERVICIO>\n\n<dato>&nbsp;</dato></SERVICIO>", LoadStatus::NotWellFormed, 3},
        {"billion laughs", Laughs(block("&l30;")), LoadStatus::EntitiesTooLarge, 35},
        {"billion laughs in an attribute", Laughs("<SERVICIO a=\"&l30;\"/>"), LoadStatus::EntitiesTooLarge, 35},
        {"billion silent laughs: references to an empty entity", Laughs(block("&l30;"), "", ""),
         LoadStatus::EntitiesTooLarge, 35},
        {"billion laughs in an attribute default",
         Laughs("<SERVICIO/>", " <!ATTLIST SERVICIO a CDATA \"&l30;\">\n"), LoadStatus::EntitiesTooLarge, 34},
        {"one large entity used a thousand times",
         "<!DOCTYPE SERVICIO [\n<!ENTITY grande \"" + std::string(1'000'000, 'x') + "\">\n]>\n" + block(thousandUses),
         LoadStatus::EntitiesTooLarge, 4},
        {"entity that contains itself",
         "<!DOCTYPE SERVICIO [\n<!ENTITY a \"x&b;\">\n<!ENTITY b \"y&a;\">\n]>\n" + block("&a;"),
         LoadStatus::EntitiesTooLarge, 5},
        {"internal parameter entity",
         "<!DOCTYPE SERVICIO [\n<!ENTITY % p \"<!ENTITY e 'x'>\">\n%p;\n]>\n" + block("&e;"),
         LoadStatus::UnreadEntity, 3},
        {"parameter entity laughs", parameterLaughs, LoadStatus::UnreadEntity, 33},
    };
}

// The address space of this process limited to what it uses now and a margin,
// for its lifetime.
class AddressSpaceLimit {
public:
    explicit AddressSpaceLimit(rlim_t margin) {
        ::getrlimit(RLIMIT_AS, &previous_);
        long pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlim_t limit = static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + margin;
        const rlimit bounded{limit, previous_.rlim_max};
        ::setrlimit(RLIMIT_AS, &bounded);
    }
    ~AddressSpaceLimit() { ::setrlimit(RLIMIT_AS, &previous_); }

private:
    rlimit previous_{};
};

TEST(ExchangeDocumentLoad, EntitiesFromOutsideOrBeyondTheBoundAreRefused) {
    TempDir dir;
    const fs::path secret = dir / "secret.txt";
    WriteFile(secret, kSecret);
    for (const Hostile& hostile : HostileDocuments(secret)) {
        SCOPED_TRACE(hostile.name);
        WriteFile(dir / "hostile.xml", hostile.xml);
        ExchangeDocument document;
        LoadResult result;
        {
            const AddressSpaceLimit limit(rlim_t{256} << 20);
            result = document.Load(dir / "hostile.xml");
        }
        EXPECT_EQ(result.status, hostile.status) << result.detail;
        EXPECT_EQ(result.line, hostile.line) << result.detail;
        EXPECT_NE(result.detail.find("ntity"), std::string::npos) << result.detail;
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
