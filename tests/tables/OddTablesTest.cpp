// Odd and damaged tables beyond those of TableForeignTest: header and record
// lengths that disagree with the file, record counts larger or smaller than
// the file holds, the narrowest and widest fields, numbers beyond 32 bits,
// dates and logicals that are not valid. Each is read as far as it is sound or
// refused with a message; nothing crashes.

#include <gtest/gtest.h>

#include <limits>
#include <optional>

#include "tables/Table.h"
#include "tables/TablesSupport.h"
#include "text/Error.h"

namespace vindeleo::test::tables {
namespace {

using Rows = std::vector<std::vector<std::string>>;

const std::vector<RawField> kFields = {
    {"NOMBRE", 'C', 8}, {"NUM", 'N', 11}, {"REAL", 'N', 20, 4}, {"FECHA", 'D', 8}, {"HECHO", 'L', 1}};
const int kHeaderLength = 32 + 32 * 5 + 1;
const int kRecordLength = RecordLengthOf(kFields);

std::string Record(const std::string& name, const std::string& number, const std::string& real,
                   const std::string& date, char logical) {
    return " " + Padded(name, 8) + RightJustified(number, 11) + RightJustified(real, 20) + Padded(date, 8) +
           std::string(1, logical);
}

// A dBase III table of kFields with these records, announcing `count` of them.
std::string Table3(const std::vector<std::string>& records, std::uint32_t count, int headerLength = kHeaderLength,
                   const std::string& afterTerminator = "") {
    std::string file = HeaderStart(0x03, count, headerLength, kRecordLength);
    for (const auto& field : kFields) file += ClassicDescriptor(field);
    file += '\x0D' + afterTerminator;
    for (const auto& record : records) file += record;
    return file + "\x1A";
}

std::string DamagedMessage(const fs::path& file, const std::string& detail) {
    return "El archivo " + file.string() + " est\xE1 da\xF1" "ado o incompleto (" + detail + ")";
}

TEST(OddTables, HeadersThatDisagreeWithTheFileAreRefused) {
    const std::vector<std::string> records = {Record("Ana", "1", "1.5", "20240315", 'T'),
                                              Record("Luis", "2", "2", "", 'F')};
    const std::string good = Table3(records, 2);
    struct Case {
        const char* what;
        std::string bytes;
        std::string detail;
    };
    auto with = [&](std::size_t at, const std::string& bytes) { return std::string(good).replace(at, bytes.size(), bytes); };
    std::string numberOfNoWidth = good;
    numberOfNoWidth[32 + 32 + 16] = 0;
    std::string dateOfSevenBytes = good;
    dateOfSevenBytes[32 + 3 * 32 + 16] = 7;
    const std::vector<Case> cases = {
        {"header length 0", with(8, Le16(0)), "la cabecera est\xE1 incompleta"},
        {"header length inside the first 32 bytes", with(8, Le16(31)), "la cabecera est\xE1 incompleta"},
        {"header length beyond the end of the file", with(8, Le16(65535)), "la cabecera est\xE1 incompleta"},
        {"record length 0", with(10, Le16(0)),
         "la longitud de registro de la cabecera (0) no coincide con la de los campos (" + std::to_string(kRecordLength) +
             ")"},
        {"record length shorter than the fields", with(10, Le16(kRecordLength - 1)),
         "la longitud de registro de la cabecera (" + std::to_string(kRecordLength - 1) +
             ") no coincide con la de los campos (" + std::to_string(kRecordLength) + ")"},
        {"largest record count", with(4, Le32(std::numeric_limits<std::uint32_t>::max())),
         "la cabecera anuncia m\xE1s registros (4294967295) de los que contiene el archivo (2)"},
        {"no records at all for the count", Table3({}, 1), "la cabecera anuncia m\xE1s registros (1) de los que contiene el archivo (0)"},
        {"number field of width 0", numberOfNoWidth, "el campo 'NUM' tiene una anchura no v\xE1lida"},
        {"date field of width 7", dateOfSevenBytes, "el campo 'FECHA' tiene una anchura no v\xE1lida"},
        {"no field terminator", good.substr(0, 32) + std::string(kHeaderLength - 32, 'A') + good.substr(kHeaderLength),
         "la lista de campos no termina donde indica la cabecera"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        WriteFile(dir / "ODD.DBF", c.bytes);
        Table table(dir.Path(), TableLayout{"ODD"});
        EXPECT_EQ(ErrorOf([&] { table.Open(true); }), DamagedMessage(dir / "ODD.DBF", c.detail));
        EXPECT_FALSE(table.IsOpen());
        EXPECT_EQ(ReadFile(dir / "ODD.DBF"), c.bytes);
    }
}

// Programs keep more after the field terminator (FoxPro's backlink, dBase 7's
// properties, padding): the records start where the header length says.
TEST(OddTables, AHeaderLongerThanItsFieldsIsSkipped) {
    TempDir dir;
    const std::string padding = "\0\0backlink" + std::string(254, '\xEE');
    WriteFile(dir / "ODD.DBF", Table3({Record("Ana", "1", "1.5", "20240315", 'T')}, 1,
                                      kHeaderLength + static_cast<int>(padding.size()), padding));
    Table table(dir.Path(), TableLayout{"ODD"});
    table.Open(true);
    EXPECT_EQ(Walk(table, {"NOMBRE", "NUM"}), (Rows{{"Ana", "1"}}));
    table.Append();
    table.SetText("NOMBRE", "Luis");
    table.Post();
    table.Close();
    const auto contents = ReadWithDbfread(dir / "ODD.DBF");
    ASSERT_EQ(contents.records.size(), 2u);
    EXPECT_EQ(contents.records[1].at("NOMBRE"), "Luis");
    EXPECT_EQ(ReadFile(dir / "ODD.DBF").substr(kHeaderLength, padding.size()), padding);
}

// A count smaller than the records in the file: only the announced ones are
// the table's; a record added follows them, and the file is whole again.
TEST(OddTables, RecordsBeyondTheAnnouncedCountAreNotTheTables) {
    const std::vector<std::string> records = {Record("Ana", "1", "", "", 'T'), Record("Sobra", "2", "", "", 'F'),
                                              Record("Sobra", "3", "", "", 'F')};
    for (std::uint32_t count : {0u, 1u}) {
        SCOPED_TRACE(count);
        TempDir dir;
        WriteFile(dir / "ODD.DBF", Table3(records, count) + "basura tras el final");
        Table table(dir.Path(), TableLayout{"ODD"});
        table.Open(true);
        EXPECT_EQ(table.RecordCount(), static_cast<int>(count));
        EXPECT_EQ(Walk(table, {"NOMBRE"}).size(), count);
        table.Append();
        table.SetText("NOMBRE", "Nuevo");
        table.Post();
        table.Close();
        EXPECT_EQ(ReadFile(dir / "ODD.DBF").size(), static_cast<std::size_t>(kHeaderLength + (count + 1) * kRecordLength + 1));
        const auto contents = ReadWithDbfread(dir / "ODD.DBF");
        ASSERT_EQ(contents.records.size(), count + 1);
        EXPECT_EQ(contents.records.back().at("NOMBRE"), "Nuevo");
    }
}

TEST(OddTables, FieldsOfWidth255) {
    const std::vector<RawField> fields = {{"TEXTO", 'C', 255}, {"CIFRAS", 'N', 255}};
    const std::string digits(255, '9');
    std::string file = HeaderStart(0x03, 1, 32 + 64 + 1, RecordLengthOf(fields));
    for (const auto& field : fields) file += ClassicDescriptor(field);
    file += "\x0D " + std::string(254, 'x') + "y" + digits + "\x1A";
    TempDir dir;
    WriteFile(dir / "ANCHA.DBF", file);
    Table table(dir.Path(), TableLayout{"ANCHA"});
    table.Open(true);
    EXPECT_EQ(table.Text("TEXTO"), std::string(254, 'x') + "y");
    EXPECT_EQ(table.Text("CIFRAS"), digits);
    EXPECT_EQ(table.Float("CIFRAS"), 1e255);
    EXPECT_EQ(ErrorOf([&] { (void)table.Integer("CIFRAS"); }), "'" + digits + "' no es un valor entero v\xE1lido");
    table.Append();
    table.SetText("TEXTO", std::string(300, 'z'));
    table.SetText("CIFRAS", "-12");
    table.Post();
    EXPECT_EQ(table.Text("TEXTO"), std::string(255, 'z'));
    EXPECT_EQ(table.Integer("CIFRAS"), -12);
    table.Close();
    const auto contents = ReadWithDbfread(dir / "ANCHA.DBF");
    ASSERT_EQ(contents.records.size(), 2u);
    EXPECT_EQ(contents.records[1].at("TEXTO"), std::string(255, 'z'));
    EXPECT_EQ(contents.records[1].at("CIFRAS"), "-12");
}

TEST(OddTables, NumbersBeyond32BitsAreReadAsNumbersButNotAsIntegers) {
    TempDir dir;
    WriteFile(dir / "ODD.DBF", Table3({Record("", "99999999999", "99999999999999.9999", "", ' '),
                                       Record("", "-2147483649", "1e5", "", ' '),
                                       Record("", "2147483647", "-2147483648.4", "", ' ')},
                                      3));
    Table table(dir.Path(), TableLayout{"ODD"});
    table.Open(true);
    EXPECT_EQ(Walk(table, {"NUM", "REAL"}),
              (Rows{{"99999999999", "99999999999999.9999"}, {"-2147483649", "1e5"}, {"2147483647", "-2147483648.4"}}));
    table.First();
    EXPECT_EQ(ErrorOf([&] { (void)table.Integer("NUM"); }), "'99999999999' no es un valor entero v\xE1lido");
    EXPECT_EQ(ErrorOf([&] { (void)table.Integer("REAL"); }), "'99999999999999.9999' no es un valor entero v\xE1lido");
    EXPECT_EQ(table.Float("NUM"), 99999999999.0);
    table.Next();
    EXPECT_EQ(ErrorOf([&] { (void)table.Integer("NUM"); }), "'-2147483649' no es un valor entero v\xE1lido");
    EXPECT_EQ(ErrorOf([&] { (void)table.Float("REAL"); }), "'1e5' no es un valor num\xE9rico v\xE1lido");
    EXPECT_EQ(ErrorOf([&] { (void)table.Integer("REAL"); }), "'1e5' no es un valor entero v\xE1lido");
    table.Next();
    EXPECT_EQ(table.Integer("NUM"), 2147483647);
    EXPECT_EQ(table.Integer("REAL"), -2147483648);

    table.Append();
    EXPECT_EQ(ErrorOf([&] { table.SetText("NUM", "999999999999"); }),
              "El valor 999999999999 no cabe en el campo 'NUM'");
    table.SetText("NUM", "99999999999");
    table.Post();
    EXPECT_EQ(table.Text("NUM"), "99999999999");
    table.Close();
}

// dBase 7's binary fields: an integer beyond the long's range is refused on
// writing; a double beyond 32 bits is no integer; a timestamp outside years 1
// to 9999 cannot be read.
TEST(OddTables, BinaryFieldsBeyondTheirRange) {
    const std::vector<RawField> fields = {{"CANTIDAD", 'I', 4}, {"PRECIO", 'O', 8}, {"MOMENTO", '@', 8}};
    std::string file = HeaderStart(0x04, 1, 68 + 48 * 3 + 1, RecordLengthOf(fields)) + Padded("DBWINWE0", 32, '\0') +
                       Zeros(4);
    for (const auto& field : fields) file += DBase7Descriptor(field);
    file += "\x0D " + DBase7Long(7) + DBase7Double(1e300) + Be64(0xFFF0000000000000ULL) + "\x1A";
    TempDir dir;
    WriteFile(dir / "BIN.DBF", file);
    Table table(dir.Path(), TableLayout{"BIN"});
    table.Open(true);
    EXPECT_EQ(table.Integer("CANTIDAD"), 7);
    EXPECT_EQ(table.Float("PRECIO"), 1e300);
    EXPECT_EQ(table.ExactInteger(table.Field("PRECIO")), std::nullopt) << "a whole number beyond 32 bits";
    EXPECT_EQ(ErrorOf([&] { (void)table.Integer("PRECIO"); }), "'1e+300' no es un valor entero v\xE1lido");
    EXPECT_EQ(ErrorOf([&] { (void)table.Text("MOMENTO"); }),
              "El campo 'MOMENTO' (tipo @) no se puede leer de esta forma");
    table.Append();
    EXPECT_EQ(ErrorOf([&] { table.SetText("CANTIDAD", "2147483648"); }),
              "'2147483648' no es un valor entero v\xE1lido");
    EXPECT_EQ(ErrorOf([&] { table.SetFloat("CANTIDAD", 3e9); }), "El valor 3e+09 no cabe en el campo 'CANTIDAD'");
    // dBase 7 would store -2147483648 as the bytes of a blank field.
    EXPECT_EQ(ErrorOf([&] { table.SetText("CANTIDAD", "-2147483648"); }),
              "El valor -2147483648 no cabe en el campo 'CANTIDAD'");
    EXPECT_EQ(ErrorOf([&] { table.SetFloat("CANTIDAD", -2147483648.0); }),
              "El valor -2147483648 no cabe en el campo 'CANTIDAD'");
    table.SetText("CANTIDAD", "-2147483647");
    table.Post();
    EXPECT_EQ(table.Integer("CANTIDAD"), -2147483647);
    table.Close();
}

// A key equals an integer only when the field holds exactly a whole number
// of 32 bits, in whatever form: never rounded, never wrapped, never raised.
TEST(OddTables, ExactIntegersAreWholeNumbersThat32BitsHold) {
    using Exact = std::optional<std::int32_t>;
    struct Case {
        std::string text, number, real;  // NOMBRE C(8), NUM N(11), REAL N(20,4)
        Exact fromText, fromNumber, fromReal;
    };
    const Case cases[] = {
        {"42", "3101", "3101.0000", 42, 3101, 3101},
        {"007", "007", "3101.5000", 7, 7, std::nullopt},
        {"", "", "", std::nullopt, std::nullopt, std::nullopt},
        {"4 2", "99999999999", "-0.0000", std::nullopt, std::nullopt, 0},
        {"-12.00", "-2147483648", "2147483648.0000", -12, std::numeric_limits<std::int32_t>::min(), std::nullopt},
        {"abc", "12-3", "1e5", std::nullopt, std::nullopt, std::nullopt},
        {"+5.", "-2147483649", "-2147483648.4", 5, std::nullopt, std::nullopt},
        {"0.0001", "00000000000", "0.0000000001", std::nullopt, 0, std::nullopt},
    };
    std::vector<std::string> records;
    for (const auto& c : cases) records.push_back(Record(c.text, c.number, c.real, "", ' '));
    TempDir dir;
    WriteFile(dir / "ODD.DBF", Table3(records, static_cast<std::uint32_t>(records.size())));
    Table table(dir.Path(), TableLayout{"ODD"});
    table.Open();
    const auto text = table.Field("NOMBRE"), number = table.Field("NUM"), real = table.Field("REAL");
    table.First();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text + " | " + c.number + " | " + c.real);
        ASSERT_FALSE(table.Eof());
        EXPECT_EQ(table.ExactInteger(text), c.fromText);
        EXPECT_EQ(table.ExactInteger(number), c.fromNumber);
        EXPECT_EQ(table.ExactInteger(real), c.fromReal);
        table.Next();
    }
    EXPECT_EQ(ErrorOf([&] { (void)table.ExactInteger(table.Field("FECHA")); }),
              "El campo 'FECHA' (tipo D) no se puede leer de esta forma");
}

TEST(OddTables, DatesAndLogicalsThatAreNotValid) {
    TempDir dir;
    WriteFile(dir / "ODD.DBF", Table3({Record("", "", "", "2024AB01", 'X'), Record("", "", "", "20240230", '?')}, 2));
    Table table(dir.Path(), TableLayout{"ODD"});
    table.Open(true);
    // Read as stored; a logical that is neither true nor false is empty.
    EXPECT_EQ(Walk(table, {"FECHA", "HECHO"}), (Rows{{"2024AB01", ""}, {"20240230", ""}}));
    table.First();
    EXPECT_FALSE(table.Logical("HECHO"));
    EXPECT_EQ(ErrorOf([&] { (void)table.Integer("FECHA"); }), "El campo 'FECHA' (tipo D) no se puede leer de esta forma");
    EXPECT_EQ(ErrorOf([&] { (void)table.Logical("FECHA"); }), "El campo 'FECHA' (tipo D) no se puede leer de esta forma");
    EXPECT_EQ(ErrorOf([&] { (void)table.Float("HECHO"); }), "El campo 'HECHO' (tipo L) no se puede leer de esta forma");

    // Written: only days of the calendar, only true, false or empty.
    table.Append();
    for (const char* date : {"20241301", "20240230", "20230229", "00000101", "20240100", "2024-1-1", "2024011"})
        EXPECT_EQ(ErrorOf([&] { table.SetText("FECHA", date); }),
                  "'" + std::string(date) + "' no es una fecha v\xE1lida (AAAAMMDD)");
    for (const char* logical : {"X", "si", "1"})
        EXPECT_EQ(ErrorOf([&] { table.SetText("HECHO", logical); }),
                  "'" + std::string(logical) + "' no es un valor l\xF3gico v\xE1lido");
    table.SetText("FECHA", "20240229");
    table.SetText("HECHO", "y");
    table.Post();
    EXPECT_EQ(table.Text("FECHA"), "20240229");
    EXPECT_TRUE(table.Logical("HECHO"));
    table.Close();
}

}  // namespace
}  // namespace vindeleo::test::tables
