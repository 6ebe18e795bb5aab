// Hostile and odd exchange documents through the whole import: each either
// converts correctly or stops with a clear message, leaving the working tables
// as they were; a document that is a long run of faults is refused without
// reading further than its first; and a document of several hundred megabytes
// is converted by vindeleo-cli within a bounded amount of memory.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "session/ModuleState.h"
#include "document/ExchangeDocument.h"
#include "import/ImportRun.h"
#include "support/TestSupport.h"
#include "text/Codepage.h"
#include "text/Error.h"

namespace vindeleo::test {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

// The import of the chosen document as a front end makes it, against a working
// directory and a program directory with a small level catalogue.
class HostileDocument : public ::testing::Test {
protected:
    HostileDocument() {
        fs::create_directories(Working());
        fs::create_directories(Program());
        WriteCatalogue(Program(), {{3101, "ESO", "Educaci\xF3n Secundaria Obligatoria - 1\xBA"}});
        state.WorkingDirectory = Working();
        state.ProgramDirectory = Program();
    }

    fs::path Working() const { return dir / "MTEMP"; }
    fs::path Program() const { return dir / "program"; }

    // Imports xml (the bytes as given); an error goes to the error box.
    void Import(const std::string& xml) {
        const fs::path file = dir / "alumnos.xml";
        WriteFile(file, xml);
        ui = RecordingUi();
        ui.fileAnswer = file.string();
        state.ResultCode = 0;
        try {
            RunImport(state, ui);
        } catch (const Error& error) {
            ui.errors.push_back(error.what());
        }
    }

    // One field of every record, as the independent reader sees it.
    Strings Column(const std::string& table, const std::string& field) {
        Strings values;
        for (const auto& record : ReadWithDbfread(Working() / (table + ".DBF")).records) values.push_back(record.at(field));
        return values;
    }

    TempDir dir;
    ModuleState state;
    RecordingUi ui;
};

std::string Document(const std::string& blockContent, const std::string& prolog = "") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + prolog + "<SERVICIO><BLOQUE_DATOS>" + blockContent +
           "</BLOQUE_DATOS></SERVICIO>\n";
}

// A MATERIAS section: the name is the third value of each row.
std::string Subjects(const Strings& names, const std::string& sectionAttributes = "") {
    std::string xml = "<grupo_datos seq=\"MATERIAS\"" + sectionAttributes + ">";
    for (const auto& name : names) xml += "<grupo_datos><dato>3101</dato><dato>M1</dato><dato>" + name + "</dato></grupo_datos>";
    return xml + "</grupo_datos>";
}

// The beginnings of the stop messages, up to the column.
std::string NotValidAtLine(int line) {
    return "ATENCI\xD3N - El archivo XML no es v\xE1lido (l\xEDnea " + std::to_string(line) + ", columna ";
}
std::string EntitiesTooLargeAtLine(int line) {
    return "ATENCI\xD3N - Las entidades del archivo XML se expanden a un texto demasiado grande (l\xEDnea " +
           std::to_string(line) + ", columna ";
}
std::string UnreadEntityAtLine(int line) {
    return "ATENCI\xD3N - El archivo XML remite a otro archivo o a un texto que no define (una entidad externa, "
           "de par\xE1metro o sin declarar), y Vindeleo no lo lee (l\xEDnea " + std::to_string(line) + ", columna ";
}

std::string TooManyAttributesAtLine(int line) {
    return "ATENCI\xD3N - Un elemento del archivo XML tiene m\xE1s de mil atributos: no es un documento de intercambio "
           "(l\xEDnea " + std::to_string(line) + ", columna ";
}

// count copies of form, each with its number in place of %d.
std::string Numbered(const char* form, int count) {
    std::string text;
    char one[64];
    for (int i = 0; i < count; ++i) {
        std::snprintf(one, sizeof one, form, i);
        text += one;
    }
    return text;
}

// An element of the data block with count attributes.
std::string ElementWithAttributes(int count, const char* form = " a%d=\"1\"") {
    return "<grupo_datos seq=\"X\"" + Numbered(form, count) + "/>";
}

// A DTD of the given declarations, each on a line of its own.
std::string Dtd(const std::string& declarations) { return "<!DOCTYPE SERVICIO [\n" + declarations + "]>\n"; }

// The declaration of count attributes with a default for grupo_datos.
std::string DeclaredAttributes(int count) {
    return "<!ATTLIST grupo_datos" + Numbered(" a%d CDATA \"1\"", count) + ">\n";
}

// The declaration of entity e: an element with count attributes.
std::string EntityWithAttributes(int count) {
    return "<!ENTITY e \"<b" + Numbered(" a%d='1'", count) + ">Lengua</b>\">\n";
}

// Documents that are long runs of faults, each of which libxml2 2.9 reports
// on its own, and elements that it checks attribute by attribute against each
// other: each of bytes bytes (attributes: count).
struct Shape {
    const char* what;
    std::string xml;
    std::string message;
};
std::vector<Shape> Floods(std::size_t bytes, int count) {
    return {
        {"a comment full of dashes", Document("\n<!-- " + std::string(bytes, '-') + " -->"), NotValidAtLine(3)},
        {"unclosed tags", Document("\n" + Numbered("<a", static_cast<int>(bytes / 2))), NotValidAtLine(3)},
        {"invalid characters", Document("\n" + std::string(bytes, '\x01')), NotValidAtLine(3)},
        {"'&' without a name", Document("\n" + std::string(bytes, '&')), NotValidAtLine(3)},
        {"an element with thousands of attributes", Document("\n" + ElementWithAttributes(count)),
         TooManyAttributesAtLine(3)},
        {"thousands of namespace declarations", Document("\n" + ElementWithAttributes(count, " xmlns:p%d=\"u\"")),
         TooManyAttributesAtLine(3)},
        {"thousands of attributes declared for an element", Document(ElementWithAttributes(1), Dtd(DeclaredAttributes(count))),
         TooManyAttributesAtLine(3)},
    };
}

struct Refused {
    const char* what;
    std::string xml;
    std::string message;  // how the message begins: what is wrong and where
};

// Forty levels of four references each: 3 * 4^40 bytes when expanded.
std::string Laughs() {
    std::string dtd = "<!DOCTYPE SERVICIO [\n<!ENTITY l0 \"lol\">\n";
    for (int i = 1; i <= 40; ++i) {
        const std::string previous = "&l" + std::to_string(i - 1) + ";";
        dtd += "<!ENTITY l" + std::to_string(i) + " \"" + previous + previous + previous + previous + "\">\n";
    }
    return dtd + "]>\n";
}

// One entity of a million bytes used ten thousand times: ten thousand million.
std::string OneLargeEntityUsedOften() {
    std::string uses;
    for (int i = 0; i < 10000; ++i) uses += "&grande;";
    return Document(Subjects({uses}), "<!DOCTYPE SERVICIO [\n<!ENTITY grande \"" + std::string(1'000'000, 'x') +
                                          "\">\n]>\n");
}

std::vector<Refused> RefusedDocuments() {
    std::string nested;
    for (int i = 0; i < 100000; ++i) nested += "<a>";
    for (int i = 0; i < 100000; ++i) nested += "</a>";
    const std::string overLimit(10'000'001, 'x');  // libxml2 keeps a text or an attribute to ten million bytes
    return {
        {"external entity", Document(Subjects({"&s;"}), "<!DOCTYPE SERVICIO [\n<!ENTITY s SYSTEM \"/etc/passwd\">\n]>\n"),
         UnreadEntityAtLine(5)},
        {"external DTD with an entity", Document(Subjects({"&s;"}), "<!DOCTYPE SERVICIO SYSTEM \"http://127.0.0.1:9/x.dtd\">\n"),
         UnreadEntityAtLine(3)},
        {"entity expansion bomb", Document(Subjects({"&l40;"}), Laughs()), EntitiesTooLargeAtLine(45)},
        {"one large entity used often", OneLargeEntityUsedOften(), EntitiesTooLargeAtLine(5)},
        {"a hundred thousand levels of nesting", Document(nested), NotValidAtLine(2)},
        {"text over ten million characters", Document(Subjects({overLimit})), NotValidAtLine(2)},
        {"attribute over ten million characters", Document(Subjects({"x"}, " nota=\"" + overLimit + "\"")),
         NotValidAtLine(2)},
        {"control character", Document("\n" + Subjects({"A\x01" "B"})), NotValidAtLine(3)},
        {"reference to a control character", Document("\n" + Subjects({"A&#1;B"})), NotValidAtLine(3)},
        {"NUL byte", Document("\n" + Subjects({std::string("A\0B", 3)})), NotValidAtLine(3)},
        {"bytes that are no UTF-8", Document("\n" + Subjects({"Matem\xE1ticas"})), NotValidAtLine(3)},
        {"an element in an entity's text with thousands of attributes",
         Document("\n" + Subjects({"&e;"}), Dtd(EntityWithAttributes(5000))), TooManyAttributesAtLine(6)},
        {"an encoding without a converter",
         "<?xml version=\"1.0\" encoding=\"EBCDIC-XYZ\"?>\n<SERVICIO><BLOQUE_DATOS>" + Subjects({"Lengua"}) +
             "</BLOQUE_DATOS></SERVICIO>\n",
         "ATENCI\xD3N - El archivo XML est\xE1 codificado en 'EBCDIC-XYZ', una codificaci\xF3n que Vindeleo no puede "
         "leer"},
    };
}

TEST_F(HostileDocument, RefusedDocumentsStopTheImportAndLeaveTheTablesAsTheyWere) {
    Import(Document(Subjects({"Lengua"})));
    ASSERT_EQ(ui.messages, Strings{"Proceso finalizado"}) << (ui.errors.empty() ? "" : ui.errors[0]);
    const auto before = Snapshot(Working());

    std::vector<Refused> documents = RefusedDocuments();
    for (Shape& flood : Floods(100'000, 5000)) documents.push_back({flood.what, flood.xml, flood.message});
    for (const Refused& refused : documents) {
        SCOPED_TRACE(refused.what);
        Import(refused.xml);
        EXPECT_EQ(ui.errors, Strings{});
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].rfind(refused.message, 0), 0u) << ui.messages[0];
        EXPECT_EQ(state.ResultCode, 0);
        EXPECT_EQ(Snapshot(Working()), before);
    }
}

TEST_F(HostileDocument, OddButWellFormedDocumentsConvert) {
    std::string nested = "Hondo";
    for (int i = 0; i < 200; ++i) nested = "<b>" + nested + "</b>";
    const std::string longName(5'000'000, 'L');
    Import(Document(Subjects({nested,
                              longName,
                              // Ł, ź and 😀 are not in Windows-1252; ó and € are.
                              "\xC5\x81\xC3\xB3" "d\xC5\xBA \xF0\x9F\x98\x80 \xE2\x82\xAC",
                              "Lengua 'A' \"B\" &amp; &lt;C&gt; <![CDATA[<D>]]>",
                              "Ana\tB\xC2\x85" "C"},
                             " nota=\"" + std::string(5'000'000, 'n') + "\"")));
    ASSERT_EQ(ui.errors, Strings{});
    ASSERT_EQ(ui.messages, Strings{"Proceso finalizado"});
    EXPECT_EQ(Column("ASIGNOMT", "NOMBRE"),
              (Strings{"Hondo", std::string(80, 'L'), "?\xF3" "d? ? \x80", "Lengua 'A' \"B\" & <C> <D>", "Ana\tB?C"}));
    EXPECT_EQ(Column("ASIGNOMT", "COD").size(), 5u);
}

// Up to a thousand attributes of an element are read, whether written,
// declared with a default, or written in an entity's text.
TEST_F(HostileDocument, AThousandAttributesOfAnElementAreRead) {
    Import(Document(ElementWithAttributes(1000) + Subjects({"&e;"}),
                    Dtd(DeclaredAttributes(1000) + EntityWithAttributes(1000))));
    ASSERT_EQ(ui.errors, Strings{});
    ASSERT_EQ(ui.messages, Strings{"Proceso finalizado"});
    EXPECT_EQ(Column("ASIGNOMT", "NOMBRE"), Strings{"Lengua"});
}

// An internal entity is replaced by its text: the school's name declared once
// reaches the subjects' table wherever the document uses it.
TEST_F(HostileDocument, InternalEntitiesReachTheTablesAsTheirText) {
    Import(Document(Subjects({"Historia de &centro;", "&centro;", "&lengua;"}),
                    "<!DOCTYPE SERVICIO [\n<!ENTITY centro \"IES Uno\">\n"
                    "<!ENTITY lengua \"Lengua del &centro; &amp; Almaz\xC3\xA1n\">\n]>\n"));
    ASSERT_EQ(ui.errors, Strings{});
    ASSERT_EQ(ui.messages, Strings{"Proceso finalizado"});
    EXPECT_EQ(Column("ASIGNOMT", "NOMBRE"), (Strings{"Historia de IES Uno", "IES Uno", "Lengua del IES Uno & Almaz\xE1n"}));
}

TEST_F(HostileDocument, SectionNamesWithQuotesAreComparedAsTheyStand) {
    Import(Document("<grupo_datos seq='MATERIAS\" or \"1\"=\"1'><grupo_datos><dato>1</dato><dato>2</dato>"
                    "<dato>Inyectada</dato></grupo_datos></grupo_datos>"
                    "<grupo_datos seq=\"MATERIAS&quot;\"><grupo_datos><dato>1</dato><dato>2</dato>"
                    "<dato>Comillas</dato></grupo_datos></grupo_datos>"
                    "<grupo_datos seq=\"MATERIAS' or '1'='1\"><grupo_datos><dato>1</dato><dato>2</dato>"
                    "<dato>Apostrofos</dato></grupo_datos></grupo_datos>" +
                    Subjects({"Buena"})));
    ASSERT_EQ(ui.errors, Strings{});
    EXPECT_EQ(Column("ASIGNOMT", "NOMBRE"), Strings{"Buena"});
    ExchangeDocument& document = *state.Document;
    EXPECT_EQ(document.Rows("MATERIAS\" or \"1\"=\"1").size(), 1u);
    EXPECT_EQ(document.Rows("MATERIAS' or '1'='1").size(), 1u);
    EXPECT_EQ(document.Rows("MATERIAS\"").size(), 1u);
}

// --- a long run of faults is not read to its end ----------------------------

// Writes a document into a named pipe and then holds the pipe open, with no
// end of file, until Release() or a minute has passed: a load that reads to
// the end of the document waits that minute.
class PipeFeeder {
public:
    PipeFeeder(const fs::path& pipe, std::string bytes) : pipe_(pipe) {
        thread_ = std::thread([this, bytes = std::move(bytes)] {
            const int fd = ::open(pipe_.c_str(), O_WRONLY);  // once the load opens the pipe
            if (fd < 0) return;
            for (std::size_t written = 0; written < bytes.size();) {
                const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
                if (n <= 0) break;  // the load has closed the pipe
                written += static_cast<std::size_t>(n);
            }
            std::unique_lock lock(mutex_);
            gaveUp_ = !released_.wait_for(lock, std::chrono::minutes(1), [this] { return release_; });
            ::close(fd);
        });
    }
    ~PipeFeeder() { Release(); }

    // Ends the feeding; true when the pipe was still held open then.
    bool Release() {
        {
            std::lock_guard lock(mutex_);
            release_ = true;
        }
        released_.notify_all();
        // A writer still waiting for a reader gets one, gone at once: its
        // writes fail then.
        const int fd = ::open(pipe_.c_str(), O_RDONLY | O_NONBLOCK);
        if (fd >= 0) ::close(fd);
        if (thread_.joinable()) thread_.join();
        return !gaveUp_;
    }

private:
    fs::path pipe_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable released_;
    bool release_ = false;
    bool gaveUp_ = false;
};

// Each long run of faults (two megabytes of them, or 80,000 attributes) is
// refused with its message while the rest of it still waits to be read; a
// load that went on reading, or that reported every fault of a run
// (libxml2 2.9 takes minutes over the dashes), would wait for the end of the
// file for a minute.
TEST(LongRunsOfFaults, AreRefusedWithoutReadingToTheEnd) {
    struct sigaction ignore {}, previous {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, &previous);  // the load closes the pipe on the writer
    TempDir dir;
    const fs::path pipe = dir / "alumnos.xml";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const Shape& flood : Floods(2'000'000, 80'000)) {
        SCOPED_TRACE(flood.what);
        PipeFeeder feeder(pipe, flood.xml);
        ExchangeDocument document;
        const LoadResult result = document.Load(pipe);
        EXPECT_TRUE(feeder.Release()) << "the load waited for the end of the file";
        EXPECT_NE(result.status, LoadStatus::Loaded);
        const std::string message = flood.message;
        const bool attributes = message.rfind(TooManyAttributesAtLine(3), 0) == 0;
        EXPECT_EQ(result.status, attributes ? LoadStatus::TooManyAttributes : LoadStatus::NotWellFormed) << result.detail;
        EXPECT_EQ(result.line, 3) << result.detail;
    }
    ::sigaction(SIGPIPE, &previous, nullptr);
}

// --- a document of several hundred megabytes, through vindeleo-cli --------

struct MeasuredRun {
    int exitCode = -1;
    std::string out;
    std::string err;
    long maxResidentKb = 0;
};

// Runs vindeleo-cli import on document with WINEPREFIX set, in a child process
// whose peak memory is measured; addressSpace, when given, limits the child's
// address space (bytes).
MeasuredRun ImportMeasured(const fs::path& prefix, const fs::path& document, rlim_t addressSpace = 0) {
    const fs::path out = prefix / "out.txt";
    const fs::path err = prefix / "err.txt";
    const pid_t child = fork();
    if (child == 0) {
        const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (outFd < 0 || errFd < 0) _exit(126);
        ::dup2(outFd, 1);
        ::dup2(errFd, 2);
        ::setenv("WINEPREFIX", prefix.c_str(), 1);
        if (addressSpace != 0) {
            const rlimit limit{addressSpace, addressSpace};
            ::setrlimit(RLIMIT_AS, &limit);
        }
        ::execl(VINDELEO_CLI, "vindeleo-cli", "import", document.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    MeasuredRun run;
    int status = 0;
    rusage usage{};
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child) return run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.maxResidentKb = usage.ru_maxrss;
    run.out = ReadFile(out);
    run.err = ReadFile(err);
    return run;
}

// A school with its subjects, and a section that the import does not read with
// over a million rows of students, written in pieces: over 220 MB.
std::uintmax_t WriteLargeDocument(const fs::path& file) {
    std::ofstream out(file, std::ios::binary);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SERVICIO>\n <BLOQUE_DATOS>\n"
        << "  <grupo_datos seq=\"ANNO_ACADEMICO\"><dato nombre_dato=\"C_ANNO\">2026</dato></grupo_datos>\n  "
        << Subjects({"Matem\xC3\xA1ticas", "Lengua"}) << "\n  <grupo_datos seq=\"ALUMNOS\">\n";
    std::string chunk;
    char row[256];
    for (int i = 0; i < 1'060'000; ++i) {
        std::snprintf(row, sizeof row,
                      "   <grupo_datos seq=\"ALUMNO_%d\"><dato nombre_dato=\"X_ALUMNO\">%d</dato><dato nombre_dato="
                      "\"NOMBRE\">Alumno de prueba n\xC3\xBAmero %d</dato><dato nombre_dato=\"APELLIDOS\">"
                      "Garc\xC3\xAD" "a P\xC3\xA9rez</dato></grupo_datos>\n",
                      i, i, i);
        chunk += row;
        if (chunk.size() > (1 << 20)) {
            out << chunk;
            chunk.clear();
        }
    }
    out << chunk << "  </grupo_datos>\n </BLOQUE_DATOS>\n</SERVICIO>\n";
    out.close();
    return fs::file_size(file);
}

TEST(HugeDocument, SeveralHundredMegabytesConvertWithinBoundedMemory) {
    TempDir prefix;
    const fs::path tables = prefix / "drive_c" / "MTEMP";
    fs::create_directories(tables);
    const fs::path document = prefix / "alumnos.xml";
    const std::uintmax_t size = WriteLargeDocument(document);
    ASSERT_GT(size, 220'000'000u);

    const auto start = std::chrono::steady_clock::now();
    const MeasuredRun run = ImportMeasured(prefix.Path(), document);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "Proceso finalizado\n");
    Strings names;
    for (const auto& record : ReadWithDbfread(tables / "ASIGNOMT.DBF").records) names.push_back(record.at("NOMBRE"));
    EXPECT_EQ(names, (Strings{"Matem\xE1ticas", "Lengua"}));
    // The document is held as a tree of nodes: memory grows with the document,
    // at about nine bytes for each byte of this one, and no further.
    const double bytesPerByte = run.maxResidentKb * 1024.0 / static_cast<double>(size);
    EXPECT_LT(bytesPerByte, 12.0) << run.maxResidentKb << " KB";
    std::printf("[ figures  ] %ju bytes imported in %.1f s, peak memory %ld KB (%.1f bytes per byte)\n", size, seconds,
                run.maxResidentKb, bytesPerByte);

    // With less memory than the tree needs, the run stops with a message and
    // the tables written before stay as they were.
    const auto before = Snapshot(tables);
    const MeasuredRun starved = ImportMeasured(prefix.Path(), document, rlim_t{1} << 30);
    EXPECT_EQ(starved.exitCode, 2);
    EXPECT_EQ(starved.err, "No se puede leer el archivo " + document.string() + ".\n");
    EXPECT_EQ(starved.out, "");
    EXPECT_EQ(Snapshot(tables), before);
}

// Entity bombs through vindeleo-cli in a process whose address space is held
// to 512 MB: each stops with its message, within a few tens of megabytes.
TEST(EntityBombs, StopWithTheirMessageWithinBoundedMemory) {
    TempDir prefix;
    fs::create_directories(prefix / "drive_c" / "MTEMP");
    const std::pair<std::string, std::string> bombs[] = {
        {Document(Subjects({"&l40;"}), Laughs()), EntitiesTooLargeAtLine(45)},
        {OneLargeEntityUsedOften(), EntitiesTooLargeAtLine(5)},
    };
    for (const auto& [xml, message] : bombs) {
        const fs::path document = prefix / "bomba.xml";
        WriteFile(document, xml);
        const MeasuredRun run = ImportMeasured(prefix.Path(), document, rlim_t{512} << 20);
        EXPECT_EQ(run.exitCode, 1) << run.err;
        EXPECT_EQ(run.out.rfind(Cp1252ToUtf8(message), 0), 0u) << run.out;
        EXPECT_LT(run.maxResidentKb, 100 * 1024);
        EXPECT_TRUE(FileNames(prefix / "drive_c" / "MTEMP").empty());
    }
}

// External entities, external DTDs and an external parameter entity name a
// file and a DTD that exist, and a server: the import (under strace) never
// opens the files nor connects anywhere, and stops with its message. Declared
// but unused, they are opened no more, and the import goes on.
TEST(ExternalReferences, AreNeverOpened) {
    if (RunCommand("strace -f -qq -o /dev/null true").exitCode != 0)
        GTEST_SKIP() << "strace cannot trace processes here (no ptrace)";
    TempDir prefix;
    const fs::path tables = prefix / "drive_c" / "MTEMP";
    fs::create_directories(tables);
    WriteFile(prefix / "secreto.txt", "Secreto");
    WriteFile(prefix / "secreto.dtd", "<!ENTITY s \"Secreto\">\n");
    const std::string file = (prefix / "secreto.txt").string();
    struct Case {
        const char* what;
        std::string prolog;
        std::string name;  // the subject's name, where the entity is used
        int refusedAtLine;  // 0: not refused
    };
    const Case cases[] = {
        {"entity by path", "<!DOCTYPE SERVICIO [<!ENTITY s SYSTEM \"" + file + "\">]>\n", "&s;", 3},
        {"entity by file URI", "<!DOCTYPE SERVICIO [<!ENTITY s SYSTEM \"file://" + file + "\">]>\n", "&s;", 3},
        {"entity by a name beside the document", "<!DOCTYPE SERVICIO [<!ENTITY s SYSTEM \"secreto.txt\">]>\n", "&s;",
         3},
        {"entity from a server", "<!DOCTYPE SERVICIO [<!ENTITY s SYSTEM \"http://127.0.0.1:9/secreto\">]>\n", "&s;",
         3},
        {"external DTD beside the document", "<!DOCTYPE SERVICIO SYSTEM \"secreto.dtd\">\n", "&s;", 3},
        {"external DTD from a server", "<!DOCTYPE SERVICIO SYSTEM \"http://127.0.0.1:9/secreto.dtd\">\n", "&s;", 3},
        {"external parameter entity", "<!DOCTYPE SERVICIO [<!ENTITY % p SYSTEM \"secreto.dtd\"> %p;]>\n", "&s;", 2},
        {"declared and never used",
         "<!DOCTYPE SERVICIO SYSTEM \"secreto.dtd\" [<!ENTITY x SYSTEM \"secreto.txt\">"
         "<!ENTITY % p SYSTEM \"http://127.0.0.1:9/secreto.dtd\">]>\n",
         "Lengua", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(prefix / "alumnos.xml", Document(Subjects({c.name}), c.prolog));
        const fs::path trace = prefix / "trace.txt";
        const auto run = RunCommand("cd " + Quoted(prefix.Path()) + " && strace -f -qq -e trace=open,openat,connect -o " +
                                    Quoted(trace) + " env WINEPREFIX=" + Quoted(prefix.Path()) + " " +
                                    Quoted(VINDELEO_CLI) + " import alumnos.xml");
        const std::string calls = ReadFile(trace);
        EXPECT_NE(calls.find("alumnos.xml"), std::string::npos) << "the trace sees the document opened";
        EXPECT_EQ(calls.find("secreto"), std::string::npos) << calls;
        EXPECT_EQ(calls.find("connect("), std::string::npos) << calls;
        if (c.refusedAtLine != 0) {
            EXPECT_EQ(run.exitCode, 1) << run.err;
            EXPECT_EQ(run.out.rfind(Cp1252ToUtf8(UnreadEntityAtLine(c.refusedAtLine)), 0), 0u) << run.out;
        } else {
            EXPECT_EQ(run.out, "Proceso finalizado\n") << run.err;
        }
        for (const std::string& table : FileNames(tables))
            EXPECT_EQ(ReadFile(tables / table).find("Secreto"), std::string::npos) << table;
    }
}

}  // namespace
}  // namespace vindeleo::test
