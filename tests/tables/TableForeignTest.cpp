// Tables written by other programs: dBase III and Visual FoxPro files made by
// python3-dbf, a dBase IV file with a memo field and a dBase 7 file built
// byte by byte after the published file structures; and damaged files, which
// are refused with a message that names them.

#include <gtest/gtest.h>

#include "tables/Table.h"
#include "tables/TablesSupport.h"
#include "text/Error.h"

namespace vindeleo::test::tables {
namespace {

using Rows = std::vector<std::vector<std::string>>;

// Runs python3-dbf to make a table; the test fails when it cannot.
void MakeWithPythonDbf(const fs::path& file, const std::string& body) {
    const std::string script = "import sys, dbf\npath = sys.argv[1]\n" + body;
    const auto result = RunScript("/usr/bin/python3", script, "'" + file.string() + "'");
    ASSERT_EQ(result.exitCode, 0) << "python3-dbf: " << result.err;
}

TEST(TableForeign, DBase3WrittenByPythonDbf) {
    TempDir dir;
    MakeWithPythonDbf(dir / "alumnos.dbf", R"(
t = dbf.Table(path, 'NOMBRE C(10); EDAD N(3,0); PESO N(6,2); ACTIVO L; ALTA D', dbf_type='db3', codepage='cp1252')
t.open(dbf.READ_WRITE)
t.append(('Ana', 30, 61.5, True, dbf.Date(2024, 3, 15)))
t.append(('Jos\xe9', -7, None, False, None))
t.append(('Borrada', 1, 1, True, None))
dbf.delete(t[2])
t.append(('Luis', 0, 0.25, None, dbf.Date(1999, 12, 31)))
t.close()
)");
    const std::string bytes = ReadFile(dir / "alumnos.dbf");
    ASSERT_EQ(bytes[0], '\x03');

    Table table(dir.Path(), TableLayout{"ALUMNOS"});
    table.Open();
    EXPECT_EQ(table.RecordCount(), 3) << "the deleted record is left out";
    EXPECT_EQ(Walk(table, {"NOMBRE", "EDAD", "PESO", "ACTIVO", "ALTA"}),
              (Rows{{"Ana", "30", "61.5", "T", "20240315"},
                    {"Jos\xE9", "-7", "", "F", ""},
                    {"Luis", "0", "0.25", "", "19991231"}}));
    table.First();
    EXPECT_EQ(table.Integer("EDAD"), 30);
    EXPECT_EQ(table.Float("PESO"), 61.5);
    EXPECT_TRUE(table.Logical("ACTIVO"));
    table.Next();
    EXPECT_EQ(table.Integer("EDAD"), -7);
    EXPECT_EQ(table.Float("PESO"), 0.0);
    EXPECT_FALSE(table.Logical("ACTIVO"));
    EXPECT_EQ(ErrorOf([&] { (void)table.Integer("ALTA"); }),
              "El campo 'ALTA' (tipo D) no se puede leer de esta forma");
}

TEST(TableForeign, VisualFoxProIntegersAreLittleEndianAndDeletedRecordsSkipped) {
    TempDir dir;
    MakeWithPythonDbf(dir / "CLAVES.DBF", R"(
t = dbf.Table(path, 'CLAVE I; NOMBRE C(20); PRECIO N(8,2)', dbf_type='vfp', codepage='cp1252')
t.open(dbf.READ_WRITE)
for row in [(1, 'uno', 1.5), (-2, 'dos', 2.25), (-2000000000, 'grande', 0), (123456789, 'nueve', -3)]:
    t.append(row)
dbf.delete(t[1])
t.close()
)");
    const std::string bytes = ReadFile(dir / "CLAVES.DBF");
    ASSERT_EQ(bytes[0], '\x30');
    ASSERT_EQ(bytes.substr(8, 2), Le16(32 + 3 * 32 + 1 + 263)) << "the fixture has FoxPro's backlink";

    Table table(dir.Path(), TableLayout{"CLAVES"});
    table.Open();
    EXPECT_EQ(table.RecordCount(), 3);
    EXPECT_EQ(Walk(table, {"CLAVE", "NOMBRE", "PRECIO"}),
              (Rows{{"1", "uno", "1.5"}, {"-2000000000", "grande", "0"}, {"123456789", "nueve", "-3"}}));
    table.First();
    table.Next();
    EXPECT_EQ(table.Integer("CLAVE"), -2000000000);
    EXPECT_EQ(table.ExactInteger(table.Field("CLAVE")), -2000000000);
    EXPECT_EQ(table.Float("CLAVE"), -2000000000.0);

    // Adding a record keeps the FoxPro layout, readable by dbfread.
    table.Append();
    table.SetInteger("CLAVE", -77);
    table.SetText("NOMBRE", "nuevo");
    table.Post();
    table.Close();
    const auto contents = ReadWithDbfread(dir / "CLAVES.DBF");
    ASSERT_EQ(contents.records.size(), 4u);
    EXPECT_EQ(contents.records[3].at("CLAVE"), "-77");
    EXPECT_EQ(contents.records[3].at("NOMBRE"), "nuevo");
}

// dBase IV with a memo file flag: C, N, F, D, L and M, one record deleted.
std::string DBase4WithMemo() {
    const std::vector<RawField> fields = {{"NOMBRE", 'C', 8},   {"CANTIDAD", 'N', 5}, {"PESO", 'F', 10, 3},
                                           {"FECHA", 'D', 8},    {"HECHO", 'L', 1},    {"NOTAS", 'M', 10}};
    const int headerLength = 32 + 32 * 6 + 1;
    std::string file = HeaderStart(0x8B, 3, headerLength, RecordLengthOf(fields));
    for (const auto& f : fields) file += ClassicDescriptor(f);
    file += '\x0D';
    file += " " + Padded("Pera", 8) + RightJustified("12", 5) + RightJustified("3.250", 10) + "20230102" + "T" +
            RightJustified("1", 10);
    file += "*" + Padded("Borrado", 8) + RightJustified("1", 5) + RightJustified("1.000", 10) + "20230102" + "T" +
            Padded("", 10);
    file += " " + Padded("Uva", 8) + Padded("", 5) + RightJustified("-0.500", 10) + Padded("", 8) + "?" + Padded("", 10);
    return file + "\x1A";
}

TEST(TableForeign, DBase4WithMemoFieldReadsTheMemoAsEmptyText) {
    TempDir dir;
    WriteFile(dir / "FRUTAS.DBF", DBase4WithMemo());
    Table table(dir.Path(), TableLayout{"FRUTAS"});
    table.Open();
    EXPECT_EQ(table.RecordCount(), 2);
    EXPECT_EQ(Walk(table, {"NOMBRE", "CANTIDAD", "PESO", "FECHA", "HECHO", "NOTAS"}),
              (Rows{{"Pera", "12", "3.25", "20230102", "T", ""}, {"Uva", "", "-0.5", "", "", ""}}));
    table.First();
    EXPECT_EQ(table.Float("PESO"), 3.25);
    EXPECT_EQ(table.Integer("PESO"), 3);
    table.Next();
    EXPECT_EQ(table.Integer("CANTIDAD"), 0);
    EXPECT_EQ(table.Float("PESO"), -0.5);
}

// The dBase 7 timestamp of 2024-03-15 10:30:45: milliseconds from the start of
// 1 January of year 1 as day 1 (the day number 738960 is Python's ordinal of
// that date), as a big-endian double with the sign bit set.
const std::string kTimestamp2024 = std::string("\xC2\xCD\x08\xAC\x7E\x9C\x04\x00", 8);

// A dBase 7 table: 68-byte header, 48-byte descriptors, and a field properties
// area between the terminator and the records that the header length skips.
std::string DBase7Table(unsigned char version) {
    const std::vector<RawField> fields = {{"NOMBRE_DEL_ARTICULO", 'C', 12},
                                           {"CANTIDAD", 'I', 4},
                                           {"PRECIO", 'O', 8},
                                           {"CONTADOR", '+', 4},
                                           {"MOMENTO", '@', 8}};
    const std::string properties = Le16(0) + Le16(16) + Le16(0) + Le16(16) + Le16(0) + Le16(16) + Le16(16) + Le16(16);
    const int headerLength = 68 + 48 * 5 + 1 + static_cast<int>(properties.size());
    std::string file = HeaderStart(version, 4, headerLength, RecordLengthOf(fields)) +
                       Padded("DBWINWE0", 32, '\0') + Zeros(4);
    for (const auto& f : fields) file += DBase7Descriptor(f);
    file += '\x0D' + properties;
    file += " " + Padded("Tornillo", 12) + DBase7Long(5) + DBase7Double(2.5) + DBase7Long(1) + kTimestamp2024;
    file += " " + Padded("Deuda", 12) + DBase7Long(-5) + DBase7Double(-1234.125) + DBase7Long(2) + Zeros(8);
    file += "*" + Padded("Borrado", 12) + DBase7Long(9) + DBase7Double(9) + DBase7Long(3) + Zeros(8);
    file += " " + Padded("", 12) + Zeros(4) + Zeros(8) + DBase7Long(4) + Zeros(8);  // blank values
    return file + "\x1A";
}

TEST(TableForeign, DBase7BinaryFieldsAreReadAfterThePublishedFormat) {
    for (unsigned char version : {0x04, 0x8C}) {
        SCOPED_TRACE(static_cast<int>(version));
        TempDir dir;
        WriteFile(dir / "ARTICULOS.DBF", DBase7Table(version));
        Table table(dir.Path(), TableLayout{"ARTICULOS"});
        table.Open();
        EXPECT_EQ(table.RecordCount(), 3);
        EXPECT_EQ(Walk(table, {"NOMBRE_DEL_ARTICULO", "CANTIDAD", "PRECIO", "CONTADOR", "MOMENTO"}),
                  (Rows{{"Tornillo", "5", "2.5", "1", "20240315103045"},
                        {"Deuda", "-5", "-1234.125", "2", ""},
                        {"", "", "", "4", ""}}));
        const auto quantity = table.Field("CANTIDAD"), price = table.Field("PRECIO");
        table.First();
        EXPECT_EQ(table.Integer("CANTIDAD"), 5);
        EXPECT_EQ(table.Float("PRECIO"), 2.5);
        EXPECT_EQ(table.Integer("PRECIO"), 2) << "rounded half to even";
        EXPECT_EQ(table.ExactInteger(quantity), 5);
        EXPECT_EQ(table.ExactInteger(price), std::nullopt) << "2.5 is no whole number";
        table.Next();
        EXPECT_EQ(table.Integer("CANTIDAD"), -5);
        EXPECT_EQ(table.Float("PRECIO"), -1234.125);
        EXPECT_EQ(table.ExactInteger(quantity), -5);
        table.Next();
        EXPECT_EQ(table.Integer("CANTIDAD"), 0) << "blank";
        EXPECT_EQ(table.Float("PRECIO"), 0.0);
        EXPECT_EQ(table.ExactInteger(quantity), std::nullopt) << "a blank is no number";
        EXPECT_EQ(table.ExactInteger(price), std::nullopt);
        table.OrderBy("PRECIO");
        EXPECT_EQ(Walk(table, {"CONTADOR"}), (Rows{{"4"}, {"2"}, {"1"}})) << "blank first, then ascending";
    }
}

TEST(TableForeign, DBase7TablesWrittenHereKeepTheirFormOnAppend) {
    TempDir dir;
    WriteFile(dir / "ARTICULOS.DBF", DBase7Table(0x04));
    {
        Table table(dir.Path(), TableLayout{"ARTICULOS"});
        table.Open(true);
        table.Append();
        table.SetText("NOMBRE_DEL_ARTICULO", "Nuevo");
        table.SetInteger("CANTIDAD", -2147483647);
        table.SetFloat("PRECIO", -0.75);
        table.SetText("CONTADOR", "77");
        table.Post();
        table.Close();
    }
    const std::string bytes = ReadFile(dir / "ARTICULOS.DBF");
    const int headerLength = 68 + 48 * 5 + 1 + 16;
    const int recordLength = 1 + 12 + 4 + 8 + 4 + 8;
    ASSERT_EQ(bytes.size(), static_cast<std::size_t>(headerLength + 5 * recordLength + 1));
    EXPECT_EQ(bytes.substr(0, 1), "\x04");
    EXPECT_EQ(bytes.substr(4, 4), Le32(5));
    EXPECT_EQ(bytes.substr(headerLength - 16, 16), DBase7Table(0x04).substr(headerLength - 16, 16))
        << "the field properties stay";
    const std::string added = bytes.substr(headerLength + 4 * recordLength, recordLength);
    EXPECT_EQ(added, " " + Padded("Nuevo", 12) + DBase7Long(-2147483647) + DBase7Double(-0.75) + DBase7Long(77) +
                         Zeros(8));
}

// Damaged variants of the dBase IV file above.
struct Damage {
    std::string what;
    std::string bytes;
    std::string detail;  // the text in brackets of the message
};

std::vector<Damage> Damages() {
    const std::string good = DBase4WithMemo();
    const int headerLength = 32 + 32 * 6 + 1;
    const int recordLength = 1 + 8 + 5 + 10 + 8 + 1 + 10;
    std::vector<Damage> damages;
    damages.push_back({"cut inside the records", good.substr(0, headerLength + 2 * recordLength + 5),
                       "la cabecera anuncia m\xE1s registros (3) de los que contiene el archivo (2)"});
    damages.push_back({"cut inside the header", good.substr(0, 100), "la cabecera est\xE1 incompleta"});
    damages.push_back({"shorter than any header", good.substr(0, 20), "la cabecera est\xE1 incompleta"});
    std::string longRecord = good;
    longRecord.replace(10, 2, Le16(recordLength + 1));
    damages.push_back({"record length too long", longRecord,
                       "la longitud de registro de la cabecera (" + std::to_string(recordLength + 1) +
                           ") no coincide con la de los campos (" + std::to_string(recordLength) + ")"});
    std::string shortHeader = good;
    shortHeader.replace(8, 2, Le16(headerLength - 40));
    damages.push_back({"header length before the terminator", shortHeader,
                       "la lista de campos no termina donde indica la cabecera"});
    std::string wideLogical = good;
    wideLogical[32 + 4 * 32 + 16] = 2;  // HECHO L(2)
    damages.push_back({"logical field two wide", wideLogical, "el campo 'HECHO' tiene una anchura no v\xE1lida"});
    std::string zeroWidth = good;
    zeroWidth[32 + 16] = 0;  // NOMBRE C(0)
    damages.push_back({"character field of no width", zeroWidth, "el campo 'NOMBRE' tiene una anchura no v\xE1lida"});
    std::string nameless = good;
    nameless[32 + 32] = '\0';
    damages.push_back({"field without a name", nameless, "hay un campo sin nombre"});
    return damages;
}

TEST(TableForeign, DamagedFilesAreRefusedWithAClearMessage) {
    for (const auto& damage : Damages()) {
        SCOPED_TRACE(damage.what);
        TempDir dir;
        WriteFile(dir / "FRUTAS.DBF", damage.bytes);
        Table table(dir.Path(), TableLayout{"FRUTAS"});
        EXPECT_EQ(ErrorOf([&] { table.Open(true); }),
                  "El archivo " + (dir / "FRUTAS.DBF").string() + " est\xE1 da\xF1" "ado o incompleto (" +
                      damage.detail + ")");
        EXPECT_FALSE(table.IsOpen());
        EXPECT_EQ(ReadFile(dir / "FRUTAS.DBF"), damage.bytes) << "the file is left as it was";
    }
}

TEST(TableForeign, UnknownVersionsAndUnreadableTypes) {
    TempDir dir;
    std::string dBase2 = DBase4WithMemo();
    dBase2[0] = '\x02';
    WriteFile(dir / "VIEJA.DBF", dBase2);
    Table old(dir.Path(), TableLayout{"VIEJA"});
    EXPECT_EQ(ErrorOf([&] { old.Open(); }),
              "El archivo " + (dir / "VIEJA.DBF").string() + " no es una tabla dBase reconocida (versi\xF3n 0x02)");

    const std::vector<RawField> fields = {{"NOMBRE", 'C', 4}, {"FECHAHORA", 'T', 8}};
    std::string fox = HeaderStart(0x30, 1, 32 + 64 + 1 + 263, RecordLengthOf(fields), 0x03);
    for (const auto& f : fields) fox += ClassicDescriptor(f);
    fox += '\x0D' + Zeros(263) + " Ana " + Zeros(8) + "\x1A";
    WriteFile(dir / "FOX.DBF", fox);
    Table table(dir.Path(), TableLayout{"FOX"});
    table.Open();
    EXPECT_EQ(table.Text("NOMBRE"), "Ana") << "fields of other types do not stop the reading";
    EXPECT_EQ(ErrorOf([&] { (void)table.Text("FECHAHORA"); }),
              "El campo 'FECHAHORA' (tipo T) no se puede leer de esta forma");
}

}  // namespace
}  // namespace vindeleo::test::tables
