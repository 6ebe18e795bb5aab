// Tables written by the table layer: every layout read back by the layer
// itself, by python3-dbfread and by Perl's XBase; the header bytes; texts cut
// to width; re-creation, deletion and file names in any letter case.

#include <gtest/gtest.h>

#include "tables/Layouts.h"
#include "tables/Table.h"
#include "tables/TablesSupport.h"
#include "text/Error.h"

namespace vindeleo::test::tables {
namespace {

struct LayoutCase {
    const TableLayout& layout;
    DbfLevel level;
};

std::vector<LayoutCase> EveryLayout() {
    return {{layouts::Asignomt(), DbfLevel::DBase4},    {layouts::Proft(), DbfLevel::DBase4},
            {layouts::Aulat(), DbfLevel::DBase4},       {layouts::Cursost(), DbfLevel::DBase4},
            {layouts::Grupost(), DbfLevel::DBase4},     {layouts::Asigt(), DbfLevel::DBase4},
            {layouts::Diashorast(), DbfLevel::DBase4},  {layouts::Diashorast2(), DbfLevel::DBase4},
            {layouts::Periodos(), DbfLevel::DBase4},    {layouts::Nivelex(), DbfLevel::DBase7}};
}

// A text that fills the width, starting with an accented capital (Ñ).
std::string FullText(int width) {
    std::string text;
    for (int i = 0; i < width; ++i) text += i == 0 ? '\xD1' : static_cast<char>('A' + i % 26);
    return text;
}

// The values of one record; the second record of the test sets no field.
struct Values {
    std::string text;          // what is written to character fields
    std::int32_t integer;
    double number;
    std::string numberText;    // how the table layer reads the number back
    std::string pythonNumber;  // how dbfread gives it
    bool logical;
};

const std::vector<Values>& RecordValues() {
    static const std::vector<Values> values = {
        {"*full*", 2147483647, 2.0, "2", "2.0", true},
        {"ab", -2147483647 - 1, -1234.75, "-1234.75", "-1234.75", false},
        {"*long*", 0, 99999999999.5, "99999999999.5", "99999999999.5", true},
    };
    return values;
}

std::string TextFor(const Values& values, int width) {
    if (values.text == "*full*") return FullText(width);
    if (values.text == "*long*") return FullText(width) + "EXTRA";
    return values.text;
}

std::string ExpectedText(const Values& values, int width) { return TextFor(values, width).substr(0, width); }

void Fill(Table& table, const TableLayout& layout, const Values& values) {
    for (const auto& field : layout.fields) {
        switch (field.type) {
            case FieldType::Character: table.SetText(field.name, TextFor(values, field.width)); break;
            case FieldType::Integer: table.SetInteger(field.name, values.integer); break;
            case FieldType::Float: table.SetFloat(field.name, values.number); break;
            case FieldType::Logical: table.SetLogical(field.name, values.logical); break;
        }
    }
}

void WriteSamples(const fs::path& dir, const LayoutCase& c) {
    Table table(dir, c.layout);
    table.Create(c.level);
    table.Open(true);
    table.Append();
    Fill(table, c.layout, RecordValues()[0]);
    table.Post();
    table.Append();  // a record with no field set
    table.Post();
    for (std::size_t i = 1; i < RecordValues().size(); ++i) {
        table.Append();
        Fill(table, c.layout, RecordValues()[i]);
        table.Post();
    }
    table.Close();
}

// Record i of the file: the samples with the blank record second.
const Values* SampleOfRecord(std::size_t i) {
    if (i == 1) return nullptr;
    return &RecordValues()[i == 0 ? 0 : i - 1];
}

TEST(TableWrite, EveryLayoutReadsBackItsValues) {
    for (const auto& c : EveryLayout()) {
        SCOPED_TRACE(c.layout.name);
        TempDir dir;
        WriteSamples(dir.Path(), c);

        Table table(dir.Path(), c.layout);
        table.Open();
        EXPECT_EQ(table.RecordCount(), 4);
        std::size_t i = 0;
        for (table.First(); !table.Eof(); table.Next(), ++i) {
            const Values* values = SampleOfRecord(i);
            for (const auto& field : c.layout.fields) {
                SCOPED_TRACE(field.name);
                switch (field.type) {
                    case FieldType::Character:
                        EXPECT_EQ(table.Text(field.name), values ? ExpectedText(*values, field.width) : "");
                        break;
                    case FieldType::Integer:
                        EXPECT_EQ(table.Integer(field.name), values ? values->integer : 0);
                        EXPECT_EQ(table.Text(field.name), values ? std::to_string(values->integer) : "");
                        break;
                    case FieldType::Float:
                        EXPECT_EQ(table.Float(field.name), values ? values->number : 0.0);
                        EXPECT_EQ(table.Text(field.name), values ? values->numberText : "");
                        break;
                    case FieldType::Logical:
                        EXPECT_EQ(table.Logical(field.name), values && values->logical);
                        EXPECT_EQ(table.Text(field.name), values ? (values->logical ? "T" : "F") : "");
                        break;
                }
            }
        }
        EXPECT_EQ(i, 4u);
    }
}

struct Physical {
    char type;
    int length;
    int decimals;
};

Physical PhysicalOf(const FieldDef& field) {
    switch (field.type) {
        case FieldType::Character: return {'C', field.width, 0};
        case FieldType::Integer: return {'N', 11, 0};
        case FieldType::Float: return {'N', 20, 4};
        case FieldType::Logical: return {'L', 1, 0};
    }
    return {};
}

std::string PythonValue(const FieldDef& field, const Values* values) {
    switch (field.type) {
        case FieldType::Character: return values ? ExpectedText(*values, field.width) : "";
        case FieldType::Integer: return values ? std::to_string(values->integer) : "None";
        case FieldType::Float: return values ? values->pythonNumber : "None";
        case FieldType::Logical: return values ? (values->logical ? "True" : "False") : "None";
    }
    return {};
}

TEST(TableWrite, DbfreadSeesTheSameFieldsAndValues) {
    for (const auto& c : EveryLayout()) {
        SCOPED_TRACE(c.layout.name);
        TempDir dir;
        WriteSamples(dir.Path(), c);
        const auto contents = ReadWithDbfread(dir / (c.layout.name + ".DBF"));

        ASSERT_EQ(contents.fields.size(), c.layout.fields.size());
        for (std::size_t f = 0; f < c.layout.fields.size(); ++f) {
            const auto expected = PhysicalOf(c.layout.fields[f]);
            EXPECT_EQ(contents.fields[f].name, c.layout.fields[f].name);
            EXPECT_EQ(contents.fields[f].type, expected.type);
            EXPECT_EQ(contents.fields[f].length, expected.length);
            EXPECT_EQ(contents.fields[f].decimals, expected.decimals);
        }
        ASSERT_EQ(contents.records.size(), 4u);
        for (std::size_t i = 0; i < 4; ++i)
            for (const auto& field : c.layout.fields)
                EXPECT_EQ(contents.records[i].at(field.name), PythonValue(field, SampleOfRecord(i)))
                    << "record " << i << ", field " << field.name;
    }
}

TEST(TableWrite, HeaderBytesFollowTheFormat) {
    for (const auto& c : EveryLayout()) {
        SCOPED_TRACE(c.layout.name);
        TempDir dir;
        WriteSamples(dir.Path(), c);
        const std::string bytes = ReadFile(dir / (c.layout.name + ".DBF"));
        const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
        const bool dBase7 = c.level == DbfLevel::DBase7;
        const int fields = static_cast<int>(c.layout.fields.size());
        const int headerLength = dBase7 ? 68 + 48 * fields + 1 : 32 + 32 * fields + 1;
        int recordLength = 1;
        for (const auto& field : c.layout.fields) recordLength += PhysicalOf(field).length;
        const std::tm today = TodayLocal();

        EXPECT_EQ(b[0], dBase7 ? 0x04 : 0x03);
        EXPECT_EQ(b[1], today.tm_year);
        EXPECT_EQ(b[2], today.tm_mon + 1);
        EXPECT_EQ(b[3], today.tm_mday);
        EXPECT_EQ(bytes.substr(4, 4), Le32(4));
        EXPECT_EQ(bytes.substr(8, 2), Le16(headerLength));
        EXPECT_EQ(bytes.substr(10, 2), Le16(recordLength));
        EXPECT_EQ(b[28], c.layout.indexes.empty() ? 0 : 1) << "production index announced only with indexes";
        EXPECT_EQ(b[29], 0x57) << "language driver of Windows-1252";
        EXPECT_EQ(b[headerLength - 1], 0x0D) << "field terminator";
        EXPECT_EQ(bytes.size(), static_cast<std::size_t>(headerLength + 4 * recordLength + 1));
        EXPECT_EQ(bytes.back(), '\x1A');
        EXPECT_EQ(bytes[headerLength], ' ') << "first record live";
        if (dBase7) {
            EXPECT_EQ(bytes.substr(32, 8), "DBWINWE0") << "language driver name";
        }
    }
}

TEST(TableWrite, PerlXBaseReadsWhatWasWritten) {
    TempDir dir;
    for (const auto& c : {LayoutCase{layouts::Asigt(), DbfLevel::DBase4}, LayoutCase{layouts::Proft(), DbfLevel::DBase4},
                          LayoutCase{layouts::Asignomt(), DbfLevel::DBase4}})
        WriteSamples(dir.Path(), c);
    const std::string script = R"(
        use XBase;
        my $t = XBase->new(name => $ARGV[0], ChopBlanks => 1) or die XBase->errstr;
        for my $n ($t->field_names) {
            printf "F %s %s %d %d\n", $n, $t->field_type($n), $t->field_length($n), $t->field_decimal($n);
        }
        for my $i (0 .. $t->last_record) {
            my ($deleted, @v) = $t->get_record($i);
            print "R ", join("|", map { defined $_ ? $_ : "NULL" } @v), "\n" unless $deleted;
        }
    )";

    const auto asigt = RunScript("perl", script, "'" + (dir / "ASIGT.DBF").string() + "'");
    ASSERT_EQ(asigt.exitCode, 0) << asigt.err;
    EXPECT_NE(asigt.out.find("F HORAS N 20 4\n"), std::string::npos) << asigt.out;
    EXPECT_NE(asigt.out.find("F CASIG C 10 0\n"), std::string::npos) << asigt.out;
    EXPECT_NE(asigt.out.find("|-1234.75|"), std::string::npos) << asigt.out;
    EXPECT_NE(asigt.out.find("|99999999999.5|"), std::string::npos) << asigt.out;
    EXPECT_NE(asigt.out.find("R ||||||||NULL|||||\n"), std::string::npos) << "blank record: " << asigt.out;

    const auto proft = RunScript("perl", script, "'" + (dir / "PROFT.DBF").string() + "'");
    ASSERT_EQ(proft.exitCode, 0) << proft.err;
    const std::string expected = "F ABREV C 10 0\nF NOMBRE C 80 0\nF DEPART C 40 0\nF DNI N 11 0\n"
                                 "F X_EMPLEADO C 10 0\nF F_TOMAPOS C 10 0\n"
                                 "R " + FullText(10) + "|" + FullText(80) + "|" + FullText(40) + "|2147483647|" +
                                 FullText(10) + "|" + FullText(10) + "\n"
                                 "R |||NULL||\n"
                                 "R ab|ab|ab|-2147483648|ab|ab\n"
                                 "R " + FullText(10) + "|" + FullText(80) + "|" + FullText(40) + "|0|" +
                                 FullText(10) + "|" + FullText(10) + "\n";
    EXPECT_EQ(proft.out, expected);

    const auto asignomt = RunScript("perl", script, "'" + (dir / "ASIGNOMT.DBF").string() + "'");
    ASSERT_EQ(asignomt.exitCode, 0) << asignomt.err;
    EXPECT_NE(asignomt.out.find("F ESTAREA L 1 0\n"), std::string::npos) << asignomt.out;
    EXPECT_NE(asignomt.out.find("R ab|ab|ab|ab|ab|0\n"), std::string::npos) << asignomt.out;
}

TEST(TableWrite, TextsAreCutToTheFieldAndReadWithoutTrailingBlanks) {
    TempDir dir;
    Table table(dir.Path(), layouts::Asignomt());
    table.Create();
    table.Open(true);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"ABCDEFGHIJKL", "ABCDEFGHIJ"},  // twelve characters in COD's ten
        {"ABC", "ABC"},
        {"AB   ", "AB"},
        {"  AB", "  AB"},  // leading blanks stay
        {"", ""},
    };
    for (const auto& [written, read] : cases) {
        table.Append();
        table.SetText("COD", written);
        table.Post();
    }
    table.Close();
    table.Open();
    std::size_t i = 0;
    for (table.First(); !table.Eof(); table.Next(), ++i) EXPECT_EQ(table.Text("COD"), cases.at(i).second);
    EXPECT_EQ(i, cases.size());
    table.Close();
    const auto contents = ReadWithDbfread(dir / "ASIGNOMT.DBF");
    ASSERT_EQ(contents.records.size(), cases.size());
    EXPECT_EQ(contents.records[0].at("COD"), "ABCDEFGHIJ");
}

TEST(TableWrite, NumbersReadWithoutTheirPadding) {
    TempDir dir;
    Table table(dir.Path(), layouts::Asigt());
    table.Create();
    table.Open(true);
    table.Append();
    table.SetFloat("HORAS", 3);
    table.SetText("CASIG", "7");
    table.Post();
    table.Append();
    table.SetText("HORAS", " 2.5 ");  // a number given as text
    table.Post();
    table.Close();

    table.Open();
    EXPECT_EQ(table.Text("HORAS"), "3");
    EXPECT_EQ(table.Float("HORAS"), 3.0);
    EXPECT_EQ(table.Integer("HORAS"), 3);
    EXPECT_EQ(table.Integer("CASIG"), 7) << "a character field holding digits";
    table.Next();
    EXPECT_EQ(table.Text("HORAS"), "2.5");
    EXPECT_EQ(table.Float("HORAS"), 2.5);
    EXPECT_EQ(table.Integer("CASIG"), 0) << "blank reads 0";
    EXPECT_EQ(table.Float("CASIG"), 0.0);
    table.Close();
    EXPECT_NE(ReadFile(dir / "ASIGT.DBF").find("              3.0000"), std::string::npos);
}

TEST(TableWrite, RecreatingLeavesANewEmptyTableAndNoOldIndex) {
    TempDir dir;
    {
        Table table(dir.Path(), layouts::Diashorast2());
        table.Create();
        table.Open(true);
        table.Append();
        table.SetText("DIHO", "L1");
        table.Post();
        table.Close();
    }
    WriteFile(dir / "DIASHORAST2.MDX", "an old production index");
    WriteFile(dir / "diashorast2.mdx", "another spelling of it");
    WriteFile(dir / "OTHER.MDX", "not this table's");

    Table table(dir.Path(), layouts::Diashorast2());
    table.Create();
    EXPECT_FALSE(table.IsOpen()) << "the table stays closed";
    EXPECT_EQ(FileNames(dir.Path()), (std::vector<std::string>{"DIASHORAST2.DBF", "DIASHORAST2.MDX", "OTHER.MDX"}));
    EXPECT_NE(ReadFile(dir / "DIASHORAST2.MDX"), "an old production index") << "a new, empty index";
    table.Open();
    EXPECT_EQ(table.RecordCount(), 0);
    EXPECT_TRUE(table.Eof());
    table.Close();
    EXPECT_EQ(ReadFile(dir / "DIASHORAST2.DBF")[28], '\1') << "the new index announced";
}

TEST(TableWrite, FileNamesMatchInAnyLetterCase) {
    TempDir dir;
    {
        Table table(dir.Path(), layouts::Proft());
        table.Create();
    }
    fs::rename(dir / "PROFT.DBF", dir / "proft.dbf");

    Table table(dir.Path(), layouts::Proft());
    EXPECT_EQ(table.FilePath(), dir / "proft.dbf");
    table.Open(true);
    table.Append();
    table.SetText("ABREV", "ANA");
    table.Post();
    table.Close();
    EXPECT_EQ(FileNames(dir.Path()), std::vector<std::string>{"proft.dbf"}) << "written in place, nothing left aside";

    // Re-creating gives the spelling that the system uses.
    table.Create();
    EXPECT_EQ(FileNames(dir.Path()), std::vector<std::string>{"PROFT.DBF"});
    Table byName(dir.Path(), TableLayout{"proft"});  // a table known by its name alone
    byName.Open();
    EXPECT_EQ(byName.RecordCount(), 0);
    EXPECT_EQ(byName.Text("ABREV"), "") << "its fields are those of its file";
}

TEST(TableWrite, DeleteFilesRemovesTableAndIndexInAnyCase) {
    TempDir dir;
    WriteFile(dir / "proft.dbf", "x");
    WriteFile(dir / "PROFT.mdx", "x");
    WriteFile(dir / "PROFTX.DBF", "x");
    WriteFile(dir / "AULAT.DBF", "x");
    Table(dir.Path(), layouts::Proft()).DeleteFiles();
    EXPECT_EQ(FileNames(dir.Path()), (std::vector<std::string>{"AULAT.DBF", "PROFTX.DBF"}));
    Table(dir.Path(), layouts::Proft()).DeleteFiles();  // nothing left to delete: no error
    Table(dir / "missing", layouts::Proft()).DeleteFiles();
    EXPECT_EQ(FileNames(dir.Path()).size(), 2u);
}

TEST(TableWrite, OnlyPostedRecordsAreWritten) {
    TempDir dir;
    Table table(dir.Path(), layouts::Aulat());
    table.Create();
    table.Open(true);
    table.Append();
    table.SetText("ABREV", "A1");
    table.Append();  // the record being added is posted first
    table.SetText("ABREV", "A2");
    table.Post();
    table.Append();
    table.SetText("ABREV", "NOT POSTED");
    table.Close();
    table.Open();
    EXPECT_EQ(Walk(table, {"ABREV"}), (std::vector<std::vector<std::string>>{{"A1"}, {"A2"}}));
    table.Close();
    EXPECT_EQ(ReadFile(dir / "AULAT.DBF").substr(4, 4), Le32(2));
}

TEST(TableWrite, AppendingKeepsWhatWasThere) {
    TempDir dir;
    Table subjects(dir.Path(), layouts::Asignomt());
    subjects.Create();
    subjects.Open(true);
    subjects.Append();
    subjects.SetText("COD", "MAT");
    subjects.Post();
    subjects.Close();

    Table activities(dir.Path(), layouts::Asignomt());
    activities.Open();
    activities.Append();
    activities.SetText("COD", "GUARDIA");
    activities.SetLogical("ESTAREA", true);
    activities.Post();
    activities.Close();

    subjects.Open();
    EXPECT_EQ(Walk(subjects, {"COD", "ESTAREA"}),
              (std::vector<std::vector<std::string>>{{"MAT", ""}, {"GUARDIA", "T"}}));
}

TEST(TableWrite, FailuresNameTheTable) {
    TempDir dir;
    Table missingDir(dir / "MTEMP", layouts::Proft());
    EXPECT_EQ(ErrorOf([&] { missingDir.Create(); }),
              "No se puede crear la tabla " + (dir / "MTEMP" / "PROFT.DBF").string() + ": no existe la carpeta");
    EXPECT_FALSE(fs::exists(dir / "MTEMP")) << "the directory is never created";

    Table missing(dir.Path(), layouts::Soluc());
    EXPECT_EQ(ErrorOf([&] { missing.Open(true); }),
              "No se puede abrir la tabla " + (dir / "SOLUC.DBF").string() + ": no existe el archivo");
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_EQ(ErrorOf([&] { missing.Append(); }), "La tabla SOLUC no est\xE1 abierta");

    Table table(dir.Path(), layouts::Aulat());
    table.Create();
    table.Open(true);
    EXPECT_EQ(ErrorOf([&] { table.SetText("ABREV", "A"); }), "La tabla AULAT no tiene ning\xFAn registro en curso de alta");
    EXPECT_EQ(ErrorOf([&] { table.Create(); }), "La tabla AULAT est\xE1 abierta; ci\xE9rrela antes");
    table.Append();
    EXPECT_EQ(ErrorOf([&] { table.SetText("NOPE", "A"); }), "No se encuentra el campo 'NOPE'");
    table.Post();
    EXPECT_EQ(ErrorOf([&] { (void)table.Text("NOPE"); }), "No se encuentra el campo 'NOPE'");
    EXPECT_EQ(ErrorOf([&] { (void)table.Integer("nope"); }), "No se encuentra el campo 'nope'");
    EXPECT_EQ(table.Integer("abrev"), 0) << "names match in any letter case; blank reads 0";

    TableLayout bad{"BAD", {{"NOMBRE_LARGO", FieldType::Integer, 0}}, {}};
    EXPECT_EQ(ErrorOf([&] { Table(dir.Path(), bad).Create(); }),
              "La definici\xF3n de la tabla BAD no es v\xE1lida: el nombre de campo 'NOMBRE_LARGO' no es v\xE1lido");
    EXPECT_FALSE(fs::exists(dir / "BAD.DBF"));
}

// A field handle names a field of one opening of one table: on another table,
// or once the table was closed and opened again, it is refused rather than
// taken for whatever field has its number there.
TEST(TableWrite, FieldHandlesServeTheOpeningThatGaveThem) {
    TempDir dir;
    Table rooms(dir.Path(), layouts::Aulat());
    rooms.Create();
    rooms.Open(true);
    Table teachers(dir.Path(), layouts::Proft());
    teachers.Create();
    teachers.Open(true);
    const auto roomName = rooms.Field("NOMBRE");
    rooms.Append();
    rooms.SetText(roomName, "Aula 1");
    rooms.Post();
    teachers.Append();
    EXPECT_EQ(ErrorOf([&] { teachers.SetText(roomName, "Ana"); }),
              "El campo n.\xBA 2 no es de la tabla PROFT tal como est\xE1 abierta");
    teachers.Post();
    EXPECT_EQ(teachers.Text("NOMBRE"), "");
    rooms.Close();
    EXPECT_EQ(ErrorOf([&] { (void)rooms.Text(roomName); }), "La tabla AULAT no est\xE1 abierta");
    rooms.Open();
    EXPECT_EQ(ErrorOf([&] { (void)rooms.Text(roomName); }),
              "El campo n.\xBA 2 no es de la tabla AULAT tal como est\xE1 abierta");
    EXPECT_EQ(rooms.Text(rooms.Field("NOMBRE")), "Aula 1");
}

TEST(TableWrite, AFailedWriteOnClosingIsReported) {
    TempDir dir;
    fs::create_directory(dir / "MTEMP");
    Table table(dir / "MTEMP", layouts::Aulat());
    table.Create();
    table.Open(true);
    table.Append();
    table.SetText("ABREV", "A1");
    table.Post();
    fs::remove_all(dir / "MTEMP");
    EXPECT_EQ(ErrorOf([&] { table.Close(); }),
              "No se puede escribir la tabla " + (dir / "MTEMP" / "AULAT.DBF").string() + ": no existe el archivo");
    EXPECT_FALSE(table.IsOpen());
    EXPECT_FALSE(fs::exists(dir / "MTEMP")) << "nothing is made up in its place";
}

TEST(TableWrite, ValuesThatDoNotFitAreRefused) {
    TempDir dir;
    Table table(dir.Path(), layouts::Asigt());
    table.Create();
    table.Open(true);
    table.Append();
    EXPECT_EQ(ErrorOf([&] { table.SetFloat("HORAS", 1e17); }),
              "El valor 100000000000000000.0000 no cabe en el campo 'HORAS'");
    EXPECT_EQ(ErrorOf([&] { table.SetText("HORAS", "doce"); }), "'doce' no es un valor num\xE9rico v\xE1lido");
    table.SetText("CASIG", "12x");
    table.Post();
    EXPECT_EQ(ErrorOf([&] { (void)table.Integer("CASIG"); }), "'12x' no es un valor entero v\xE1lido");
    EXPECT_EQ(table.Text("HORAS"), "") << "a refused value leaves the field as it was";
}

}  // namespace
}  // namespace vindeleo::test::tables
