// Writing: building an output document the way the export does, encodings of
// the saved file, and saving through a temporary file.

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

#include "document/DocumentSupport.h"
#include "document/ExchangeDocument.h"
#include "document/XmlNames.h"
#include "text/Error.h"

namespace vindeleo::test {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

bool Contains(const std::string& bytes, const std::string& part) { return bytes.find(part) != std::string::npos; }

const char* const kInput = R"(<?xml version="1.0" encoding="UTF-8"?>
<!-- exported by the administration system -->
<?marca antes?>
<SERVICIO modulo="EXPORTACION">
  <BLOQUE_DATOS>
    <C_ANNO>2024/2025</C_ANNO>
    <grupo_datos seq="MATERIAS"><grupo_datos><dato>old</dato></grupo_datos></grupo_datos>
  </BLOQUE_DATOS>
</SERVICIO>
<!-- after the root -->
)";

Node AddDato(ExchangeDocument& document, Node parent, const std::string& name, const std::string& value) {
    const Node dato = document.CreateElement(xml::kDato);
    ExchangeDocument::SetAttribute(dato, xml::kNombreDato, name);
    ExchangeDocument::SetText(dato, value);
    document.AppendChild(parent, dato);
    return dato;
}

TEST(ExchangeDocumentSave, ExportReplacesTheRootAndKeepsWhatIsOutsideIt) {
    TempDir dir;
    ExchangeDocument document = LoadXml(dir, kInput, "input.xml");
    const std::string input = ReadFile(dir / "input.xml");

    const Node block = document.SelectSingleNode(document.DocumentNode(), xml::kDataBlockPath);
    const std::string year = ExchangeDocument::Text(ExchangeDocument::FirstChild(block)).substr(0, 5);
    ExchangeDocument::RemoveChild(document.DocumentNode(), document.DocumentElement());
    EXPECT_FALSE(document.DocumentElement());

    const Node root = document.CreateElement(xml::kServicio);
    ExchangeDocument::SetAttribute(root, "modulo", "HORARIOS");
    ExchangeDocument::SetAttribute(root, "tipo", "X");
    ExchangeDocument::SetAttribute(root, "autor", "HORARIOS");
    ExchangeDocument::SetAttribute(root, "fecha", "01/02/2025 10:11:12");
    ExchangeDocument::SetAttribute(root, "tipo", "I");  // replaced in its place
    document.AppendChild(document.DocumentNode(), root);
    const Node newBlock = document.CreateElement(xml::kBloqueDatos);
    document.AppendChild(root, newBlock);
    const Node header = document.CreateElement(xml::kGrupoDatos);
    ExchangeDocument::SetAttribute(header, xml::kSeq, "ANNO_ACADEMICO");
    document.AppendChild(newBlock, header);
    AddDato(document, header, "C_ANNO", year);
    const Node teachers = document.CreateElement(xml::kGrupoDatos);
    ExchangeDocument::SetAttribute(teachers, xml::kSeq, "HORARIOS_REGULARES");
    ExchangeDocument::SetAttribute(teachers, xml::kRegistros, std::to_string(1));
    document.AppendChild(newBlock, teachers);
    const Node teacher = document.CreateElement(xml::kGrupoDatos);
    ExchangeDocument::SetAttribute(teacher, xml::kSeq, "HORARIO_REGULAR_PROFESOR_1");
    document.AppendChild(teachers, teacher);
    AddDato(document, teacher, "X_EMPLEADO", "A<&>\"'b");
    AddDato(document, teacher, "F_TOMAPOS", "");
    EXPECT_EQ(document.DocumentElement(), root);

    const fs::path output = dir / "ResultadoTuvaneinput.xml";
    document.Save(output);
    EXPECT_EQ(ReadFile(dir / "input.xml"), input);
    EXPECT_EQ(FileNames(dir.Path()), (Strings{"ResultadoTuvaneinput.xml", "input.xml"}));
    EXPECT_EQ(XmllintComplaint(output), "");

    const std::string saved = ReadFile(output);
    EXPECT_EQ(saved.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", 0), 0u) << saved;
    EXPECT_TRUE(std::regex_search(saved, std::regex("<SERVICIO modulo=\"HORARIOS\" tipo=\"I\" autor=\"HORARIOS\" "
                                                    "fecha=\"01/02/2025 10:11:12\">")))
        << saved;
    const std::size_t before = saved.find("<!-- exported by the administration system -->");
    const std::size_t mark = saved.find("<?marca antes?>");
    const std::size_t after = saved.find("<!-- after the root -->");
    const std::size_t newRoot = saved.find("<SERVICIO");
    EXPECT_LT(before, mark);
    EXPECT_LT(mark, after);
    EXPECT_LT(after, newRoot);  // the new root is the last node of the document
    EXPECT_FALSE(Contains(saved, "EXPORTACION"));
    EXPECT_FALSE(Contains(saved, "old"));
    EXPECT_TRUE(Contains(saved, "<dato nombre_dato=\"F_TOMAPOS\"/>")) << saved;

    ExchangeDocument reread;
    ASSERT_EQ(reread.Load(output).status, LoadStatus::Loaded);
    const std::vector<Row> yearRows = reread.Rows("ANNO_ACADEMICO");
    ASSERT_EQ(yearRows.size(), 0u);  // the header's dato sits directly in the section
    const Node cAnno = reread.SelectSingleNode(reread.DocumentNode(),
                                               "/SERVICIO/BLOQUE_DATOS/grupo_datos[@seq='ANNO_ACADEMICO']/dato");
    EXPECT_EQ(ExchangeDocument::Text(cAnno), "2024/");
    const std::vector<Row> teacherRows = reread.Rows("HORARIOS_REGULARES");
    ASSERT_EQ(teacherRows.size(), 1u);
    EXPECT_EQ(ValuesOf(teacherRows[0]), (Strings{"A<&>\"'b", ""}));
}

TEST(ExchangeDocumentSave, SetTextReplacesTheWholeContent) {
    TempDir dir;
    ExchangeDocument document = LoadXml(dir, "<SERVICIO><a>one<b>two</b><!--c-->three</a></SERVICIO>");
    const Node a = document.SelectSingleNode(document.DocumentNode(), "/SERVICIO/a");
    ExchangeDocument::SetText(a, "&amp; <x>");
    EXPECT_EQ(ExchangeDocument::Text(a), "&amp; <x>");
    EXPECT_TRUE(document.SelectNodes(a, "node()").size() == 1u);
    ExchangeDocument::SetText(a, "");
    EXPECT_FALSE(ExchangeDocument::FirstChild(a));
    ExchangeDocument::SetText(a, "z");
    document.Save(dir / "out.xml");
    EXPECT_TRUE(Contains(ReadFile(dir / "out.xml"), "<a>z</a>"));
}

TEST(ExchangeDocumentSave, TextWrittenFromWindows1252) {
    TempDir dir;
    ExchangeDocument document = LoadXml(dir, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SERVICIO><a/></SERVICIO>");
    const Node a = document.SelectSingleNode(document.DocumentNode(), "/SERVICIO/a");
    ExchangeDocument::SetText(a, "\x80 Jos\xE9 \x81");
    ExchangeDocument::SetAttribute(a, "n", "\xD3");
    document.Save(dir / "out.xml");
    const std::string saved = ReadFile(dir / "out.xml");
    EXPECT_TRUE(Contains(saved, "<a n=\"\xC3\x93\">\xE2\x82\xAC Jos\xC3\xA9 \xC2\x81</a>")) << saved;
    EXPECT_EQ(XmllintComplaint(dir / "out.xml"), "");
}

TEST(ExchangeDocumentSave, SavedInTheEncodingTheDeclarationNames) {
    struct Case {
        const char* name;
        std::string declaration;
        std::string bytesOfEAcute;  // é of the input and of the saved file
        std::string savedDeclaration;
        std::string savedEuro;      // € written through SetText
    };
    const std::vector<Case> cases = {
        {"ISO-8859-1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n", "\xE9",
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>", "&#8364;"},
        {"UTF-8", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", "\xC3\xA9",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>", "\xE2\x82\xAC"},
        {"windows-1252", "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n", "\xE9",
         "<?xml version=\"1.0\" encoding=\"windows-1252\"?>", "\x80"},
        {"no declaration", "", "\xC3\xA9", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>", "\xE2\x82\xAC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        ExchangeDocument document =
            LoadXml(dir, c.declaration + "<SERVICIO n=\"" + c.bytesOfEAcute + "\"><a>Jos" + c.bytesOfEAcute +
                             "</a><b/><!-- " + c.bytesOfEAcute + " --></SERVICIO>\n");
        const Node b = document.SelectSingleNode(document.DocumentNode(), "/SERVICIO/b");
        ExchangeDocument::SetText(b, "5\x80");
        ExchangeDocument::SetAttribute(b, "c", "\x80");
        document.Save(dir / "out.xml");
        const std::string saved = ReadFile(dir / "out.xml");
        EXPECT_EQ(saved.rfind(c.savedDeclaration, 0), 0u) << saved;
        EXPECT_TRUE(Contains(saved, "<SERVICIO n=\"" + c.bytesOfEAcute + "\">")) << saved;
        EXPECT_TRUE(Contains(saved, "<a>Jos" + c.bytesOfEAcute + "</a>")) << saved;
        EXPECT_TRUE(Contains(saved, "<b c=\"" + c.savedEuro + "\">5" + c.savedEuro + "</b>")) << saved;
        EXPECT_EQ(XmllintComplaint(dir / "out.xml"), "");

        ExchangeDocument reread;
        ASSERT_EQ(reread.Load(dir / "out.xml").status, LoadStatus::Loaded);
        EXPECT_EQ(ExchangeDocument::Text(reread.DocumentElement()), "Jos\xE9" "5\x80");
    }
}

// A document's own DTD is written back with it; a declared default holding
// '<' (which libxml2 alone would write bare) must read back.
TEST(ExchangeDocumentSave, DeclaredDefaultsOfTheDocumentsDtdReadBack) {
    TempDir dir;
    ExchangeDocument document = LoadXml(dir,
        "<?xml version=\"1.0\"?>\n<!DOCTYPE SERVICIO [<!ATTLIST grupo_datos a CDATA \"1&lt;2&amp;3\" "
        "b CDATA '&quot;&lt;'>]>\n<SERVICIO><grupo_datos seq=\"X\"/></SERVICIO>\n");
    document.Save(dir / "out.xml");
    EXPECT_EQ(XmllintComplaint(dir / "out.xml"), "") << ReadFile(dir / "out.xml");
    ExchangeDocument reread;
    ASSERT_EQ(reread.Load(dir / "out.xml").status, LoadStatus::Loaded);
    reread.Save(dir / "again.xml");
    EXPECT_EQ(ReadFile(dir / "again.xml"), ReadFile(dir / "out.xml"));
}

TEST(ExchangeDocumentSave, SavingOverAnExistingFileReplacesIt) {
    TempDir dir;
    ExchangeDocument document = LoadXml(dir, "<SERVICIO>new</SERVICIO>", "in.xml");
    WriteFile(dir / "out.xml", "old content that is longer than the new document, by far, by far, by far");
    document.Save(dir / "out.xml");
    document.Save(dir / "out.xml");
    EXPECT_EQ(ReadFile(dir / "out.xml"), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SERVICIO>new</SERVICIO>\n");
    EXPECT_EQ(FileNames(dir.Path()), (Strings{"in.xml", "out.xml"}));
}

TEST(ExchangeDocumentSave, FailedSaveRaisesTheWriteErrorAndLeavesNothingBehind) {
    TempDir dir;
    ExchangeDocument document = LoadXml(dir, "<SERVICIO>x</SERVICIO>", "in.xml");
    fs::create_directory(dir / "target.xml");
    WriteFile(dir / "target.xml" / "inside.txt", "kept");
    const auto before = Snapshot(dir.Path());

    const fs::path missingDir = dir / "nodir" / "out.xml";
    try {
        document.Save(missingDir);
        ADD_FAILURE() << "saving into a missing directory succeeded";
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), ("Unable to write to " + missingDir.string()).c_str());
    }
    EXPECT_THROW(document.Save(dir / "target.xml"), Error);  // a directory stands at the target
    EXPECT_EQ(Snapshot(dir.Path()), before);
}

#ifndef _WIN32
// Raises the process's file size limit only around one call: writes beyond it
// fail, as on a full disk, even when the tests run as root.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }

private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};

TEST(ExchangeDocumentSave, WriteFailingHalfwayLeavesTheTargetAsItWas) {
    TempDir dir;
    std::string xml = "<SERVICIO>";
    for (int i = 0; i < 2000; ++i) xml += "<dato>value " + std::to_string(i) + "</dato>";
    xml += "</SERVICIO>";
    ExchangeDocument document = LoadXml(dir, xml, "in.xml");
    WriteFile(dir / "out.xml", "<previous/>");
    const auto before = Snapshot(dir.Path());
    {
        FileSizeLimit limit(4096);
        EXPECT_THROW(document.Save(dir / "out.xml"), Error);
    }
    EXPECT_EQ(Snapshot(dir.Path()), before);
    document.Save(dir / "out.xml");
    EXPECT_EQ(XmllintComplaint(dir / "out.xml"), "");
}
#endif

TEST(ExchangeDocumentNodes, SelectionFollowsXPath) {
    TempDir dir;
    const ExchangeDocument document = LoadXml(dir, R"(<SERVICIO>
  <BLOQUE_DATOS>
    <grupo_datos seq="JORNADAS_ESCOLARES">
      <grupo_datos><dato>J1</dato><x/><dato>Ma&#241;ana</dato></grupo_datos>
      <grupo_datos><dato>J2</dato></grupo_datos>
    </grupo_datos>
  </BLOQUE_DATOS>
</SERVICIO>)");
    const std::string path = "/SERVICIO/BLOQUE_DATOS/grupo_datos[@seq=\"JORNADAS_ESCOLARES\"]/grupo_datos";
    const std::vector<Node> rows = document.SelectNodes(document.DocumentNode(), path);
    ASSERT_EQ(rows.size(), 2u);
    const std::vector<Node> values = document.SelectNodes(rows[0], "dato");
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(ExchangeDocument::Text(values[1]), "Ma\xF1" "ana");
    EXPECT_EQ(document.SelectSingleNode(document.DocumentElement(), path), rows[0]);
    EXPECT_EQ(document.SelectSingleNode(Node(), path), rows[0]);
    EXPECT_FALSE(document.SelectSingleNode(document.DocumentNode(), "/SERVICIO/NADA"));
    EXPECT_TRUE(document.SelectNodes(rows[1], "x").empty());
    EXPECT_EQ(document.SelectNodes(document.DocumentNode(), "//dato | /SERVICIO").size(), 4u);
    EXPECT_EQ(document.SelectNodes(document.DocumentNode(), "//dato | /SERVICIO").front(), document.DocumentElement());
    EXPECT_THROW(document.SelectNodes(document.DocumentNode(), "/SERVICIO["), Error);
    EXPECT_THROW(document.SelectNodes(document.DocumentNode(), "count(//dato)"), Error);
}

TEST(ExchangeDocumentNodes, InvalidOperationsRaiseErrors) {
    TempDir dir;
    ExchangeDocument document = LoadXml(dir, "<SERVICIO><a/><b/></SERVICIO>");
    const Node root = document.DocumentElement();
    const Node a = document.SelectSingleNode(root, "/SERVICIO/a");
    const Node b = document.SelectSingleNode(root, "/SERVICIO/b");
    EXPECT_THROW(ExchangeDocument::Text(Node()), Error);
    EXPECT_THROW(ExchangeDocument::SetText(Node(), "x"), Error);
    EXPECT_THROW(ExchangeDocument::SetAttribute(Node(), "n", "x"), Error);
    EXPECT_THROW(ExchangeDocument::SetAttribute(a, "bad name", "x"), Error);
    EXPECT_THROW(document.CreateElement("1abc"), Error);
    EXPECT_THROW(document.CreateElement(""), Error);
    EXPECT_THROW(document.AppendChild(Node(), a), Error);
    EXPECT_THROW(document.AppendChild(a, root), Error);  // an ancestor into its descendant
    EXPECT_THROW(document.AppendChild(document.DocumentNode(), document.CreateElement("OTRO")), Error);
    EXPECT_THROW(ExchangeDocument::RemoveChild(a, b), Error);
    EXPECT_THROW(ExchangeDocument::RemoveChild(root, Node()), Error);
    ExchangeDocument other;
    EXPECT_THROW(other.AppendChild(other.DocumentNode(), a), Error);  // a node of another document

    document.AppendChild(b, a);  // moving a node within the document
    document.Save(dir / "out.xml");
    EXPECT_TRUE(Contains(ReadFile(dir / "out.xml"), "<b>\n    <a/>\n  </b>")) << ReadFile(dir / "out.xml");
}

TEST(ExchangeDocumentNodes, NewDocumentCanBeBuiltAndSaved) {
    TempDir dir;
    ExchangeDocument document;
    EXPECT_FALSE(document.DocumentElement());
    EXPECT_TRUE(document.Rows(xml::kMaterias).empty());
    const Node root = document.CreateElement(xml::kServicio);
    document.AppendChild(document.DocumentNode(), root);
    EXPECT_EQ(document.DocumentElement(), root);
    document.Save(dir / "new.xml");
    EXPECT_EQ(XmllintComplaint(dir / "new.xml"), "");
    EXPECT_TRUE(Contains(ReadFile(dir / "new.xml"), "<SERVICIO/>"));
}

}  // namespace
}  // namespace vindeleo::test
