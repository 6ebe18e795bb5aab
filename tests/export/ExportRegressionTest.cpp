// Inputs that the fuzz targets found to break the export, kept as tests.

#include <gtest/gtest.h>
#include <libxml/encoding.h>

#include "document/DocumentSupport.h"
#include "export/ExportSupport.h"

namespace vindeleo {
namespace {

using test::ReadFile;
using test::RecordingUi;
using test::exporting::ExportFixture;
using test::exporting::SolucLayout;
using test::exporting::Teachers;
using test::exporting::WriteTable;

class ExportRegression : public ExportFixture {};

// A table value with a control character (found by the lesson writer's target:
// F_TOMAPOS "\x04") was written as a character reference that XML 1.0 does not
// allow, so the result document did not load again. Such characters are now
// written as '?'; tab, line feed and carriage return are content and stay.
TEST_F(ExportRegression, ControlCharactersOfTheTablesAreWrittenAsQuestionMarks) {
    WriteTable(Working(), layouts::Proft(), Teachers({{{"ANA", "E\x01" "1", "\x04"}}}));
    WriteTable(Working(), SolucLayout(), {{"ANA", "1", "1", "MAT", "1A", "", std::string("A\x1F\tB\0C", 6)}});
    WriteTable(Working(), layouts::Diashorast(), {{"11", "T\x0B", "1", "", "1", "", "08:00", "08:55", "55"}});
    const auto groups = Export();
    EXPECT_EQ(test::XmllintComplaint(Result()), "");
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].values, (std::vector<std::string>{"E?1", "?"}));
    ASSERT_EQ(groups[0].lessons.size(), 1u);
    EXPECT_EQ(groups[0].lessons[0].Value("X_DEPENDENCIA"), "A?\tB?C");
    EXPECT_EQ(groups[0].lessons[0].Value("X_TRAMO"), "T?");
}

// A document that declared UTF-7 (found by the exchange document's target) was
// saved all in UTF-7, its own declaration included, so no reader could find
// where the markup starts. A result whose declaration a reader would not find
// is written in UTF-8 and says so; UTF-16 is found by its byte order mark and
// stays.
TEST_F(ExportRegression, TheResultIsWrittenInAnEncodingThatReadersFind) {
    const std::string body = "<SERVICIO><BLOQUE_DATOS><grupo_datos seq=\"ANNO_ACADEMICO\"><dato>2026</dato>"
                             "</grupo_datos></BLOQUE_DATOS></SERVICIO>\n";
    auto utf16 = [](const std::string& ascii) {
        std::string bytes = "\xFF\xFE";
        for (char c : ascii) bytes += std::string{c, '\0'};
        return bytes;
    };
    struct Case {
        const char* encoding;
        std::string input;
        std::string savedStart;
    };
    const std::vector<Case> cases = {
        {"UTF-7", "<?xml version=\"1.0\" encoding=\"UTF-7\"?>\n" + body,
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SERVICIO"},
        {"UTF-16", utf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n" + body),
         utf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<SERVICIO")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.encoding);
        // A build whose libxml2 has no iconv (the Windows build) reads no
        // UTF-7 document at all: there is nothing to write back.
        xmlCharEncodingHandlerPtr handler = xmlFindCharEncodingHandler(c.encoding);
        if (handler == nullptr) continue;
        xmlCharEncCloseFunc(handler);
        ui = RecordingUi();
        ui.fileAnswer = WriteDocument("alumnos.xml", c.input);
        const auto groups = Export();
        const std::string saved = ReadFile(Result());
        EXPECT_EQ(saved.substr(0, c.savedStart.size()), c.savedStart);
        EXPECT_EQ(test::XmllintComplaint(Result()), "");
        ExchangeDocument result;
        ASSERT_EQ(result.Load(Result()).status, LoadStatus::Loaded);
        EXPECT_EQ(ExchangeDocument::Text(result.SelectSingleNode(result.DocumentNode(), "//dato")), "2026");
    }
}

}  // namespace
}  // namespace vindeleo
