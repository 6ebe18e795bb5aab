// The production index: the twelve-byte numeric keys, the index that closing
// DIASHORAST2 writes as Perl's XBase walks it, reading in index order against
// sorting in memory, damaged and missing index files, re-creating a table,
// the layouts' index lists, and putting staged indexes in place.

#include <gtest/gtest.h>

#include <functional>

#include "tables/Layouts.h"
#include "tables/MdxIndex.h"
#include "tables/MdxSupport.h"
#include "tables/StagedTables.h"
#include "tables/Table.h"
#include "platform/Files.h"
#include "tables/TablesSupport.h"

namespace vindeleo::test::tables {
namespace {

using Entries = std::vector<std::pair<std::string, std::uint32_t>>;

std::string Hex(const std::string& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string text;
    for (unsigned char c : bytes) {
        if (!text.empty()) text += ' ';
        text += digits[c >> 4];
        text += digits[c & 0x0F];
    }
    return text;
}

TEST(MdxIndex, NumericKeysTakeTheTwelveByteForm) {
    struct Case {
        const char* fieldText;
        const char* bytes;
    };
    // Exponent byte 52 + digits before the point; sign bit, digit count << 2
    // and 01; packed digits, first in the high half.
    const Case cases[] = {
        {"          0", "34 01 00 00 00 00 00 00 00 00 00 00"},
        {"", "34 01 00 00 00 00 00 00 00 00 00 00"},  // blank reads as zero
        {"-0", "34 01 00 00 00 00 00 00 00 00 00 00"},
        {"        480", "37 0D 48 00 00 00 00 00 00 00 00 00"},
        {"          5", "35 05 50 00 00 00 00 00 00 00 00 00"},
        {"         -5", "35 85 50 00 00 00 00 00 00 00 00 00"},
        {"       9999", "38 11 99 99 00 00 00 00 00 00 00 00"},
        {"      10000", "39 15 10 00 00 00 00 00 00 00 00 00"},
        {"      12345", "39 15 12 34 50 00 00 00 00 00 00 00"},
        {"     -10000", "39 95 10 00 00 00 00 00 00 00 00 00"},
        {" 2147483647", "3E 29 21 47 48 36 47 00 00 00 00 00"},
        {"-2147483648", "3E A9 21 47 48 36 48 00 00 00 00 00"},
        {"             3.0000", "35 05 30 00 00 00 00 00 00 00 00 00"},  // a Float field's text
        {"             2.5000", "35 09 25 00 00 00 00 00 00 00 00 00"},
        {"            -0.2500", "34 89 25 00 00 00 00 00 00 00 00 00"},
        {"             0.0500", "33 05 50 00 00 00 00 00 00 00 00 00"},
        {"           100.5000", "37 11 10 05 00 00 00 00 00 00 00 00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fieldText);
        const auto key = mdx::NumericKey::FromText(c.fieldText);
        EXPECT_EQ(Hex(key.Bytes()), c.bytes);
        const auto back = mdx::NumericKey::FromBytes(key.Bytes());
        ASSERT_TRUE(back.has_value());
        EXPECT_TRUE(*back == key) << "the bytes give the number back";
    }
    EXPECT_FALSE(mdx::NumericKey::FromBytes(std::string("\x35\x05\xA0", 3) + std::string(9, '\0')))
        << "a half byte above 9 is no digit";
    EXPECT_FALSE(mdx::NumericKey::FromBytes(std::string("\x35\x55", 2) + std::string(10, '\0')))
        << "more than twenty digits";
}

TEST(MdxIndex, NumericKeysOrderByValueNotByBytes) {
    const char* ascending[] = {"-2147483648", "-100000", "-99999", "-10000", "-9999", "-480", "-5",    "-0.25", "0",
                               "0.05",        "0.25",    "5",      "9.5",    "480",   "9999", "10000", "12345", "99999",
                               "100000",      "2147483647"};
    for (std::size_t i = 0; i + 1 < std::size(ascending); ++i) {
        SCOPED_TRACE(std::string(ascending[i]) + " < " + ascending[i + 1]);
        const auto low = mdx::NumericKey::FromText(ascending[i]);
        const auto high = mdx::NumericKey::FromText(ascending[i + 1]);
        EXPECT_LT(Compare(low, high), 0);
        EXPECT_GT(Compare(high, low), 0);
        EXPECT_EQ(Compare(low, low), 0);
    }
    EXPECT_EQ(Compare(mdx::NumericKey::FromText("  480"), mdx::NumericKey::FromText("480.0000")), 0);
}

TEST(MdxIndex, PerlWalksTheClosedTableIndexInTheOrderTheTableReads) {
    // One record, two, a node full plus one (63 keys a node), and thousands
    // (three levels of nodes).
    for (const std::size_t count : {1u, 2u, 64u, 5000u}) {
        SCOPED_TRACE(count);
        TempDir dir;
        const auto keys = MixedKeys(count);
        CreateSlots(dir.Path(), keys);
        const Entries expected = ExpectedEntries(keys);

        const auto walked = WalkWithPerl(dir / "DIASHORAST2.MDX", "ORDEN");
        EXPECT_EQ(walked.tags, "ORDEN");
        EXPECT_EQ(walked.tagInfo, "N 12 16 63 0") << "numeric, twelve-byte keys, not unique";
        EXPECT_EQ(walked.entries, expected);
        EXPECT_EQ(ReadInOrdenOrder(dir.Path()), expected);

        const std::string index = ReadFile(dir / "DIASHORAST2.MDX");
        EXPECT_EQ(index.size() % 1024, 0u);
        EXPECT_EQ(Le32At(index, 32) * 512u, index.size()) << "pages in the file";
        EXPECT_EQ(index.substr(4, 12), std::string("DIASHORAST2\0", 12));
        EXPECT_EQ(index[24], 1) << "production index";
    }
}

TEST(MdxIndex, TheTableAnnouncesItsIndexAndItsIndexedField) {
    TempDir dir;
    CreateSlots(dir.Path(), {3, 1, 2});
    const std::string bytes = ReadFile(dir / "DIASHORAST2.DBF");
    EXPECT_EQ(bytes[28], 1) << "production index flag";
    for (int field = 0; field < 10; ++field) {
        const std::string name = bytes.substr(32 + 32 * field, 11);
        EXPECT_EQ(bytes[32 + 32 * field + 31], name.rfind("ORDEN", 0) == 0 ? 1 : 0) << name;
    }
    // Every other table is created without index and announces none.
    for (const auto* layout : {&layouts::Asignomt(), &layouts::Proft(), &layouts::Aulat(), &layouts::Cursost(),
                               &layouts::Grupost(), &layouts::Asigt(), &layouts::Diashorast(), &layouts::Periodos()}) {
        SCOPED_TRACE(layout->name);
        WriteFile(dir / (layout->name + ".MDX"), "an old index");
        Table table(dir.Path(), *layout);
        table.Create();
        EXPECT_EQ(ReadFile(dir / (layout->name + ".DBF"))[28], '\0');
        EXPECT_FALSE(fs::exists(dir / (layout->name + ".MDX"))) << "no old index left";
    }
}

TEST(MdxIndex, ReadingThroughTheIndexAgreesWithSortingInMemory) {
    TempDir dir;
    const auto keys = MixedKeys(300);
    CreateSlots(dir.Path(), keys);
    const Entries expected = ExpectedEntries(keys);
    EXPECT_EQ(ReadInOrdenOrder(dir.Path()), expected) << "through the index";

    // Without its file the table is sorted in memory, to the same order.
    const std::string index = ReadFile(dir / "DIASHORAST2.MDX");
    fs::remove(dir / "DIASHORAST2.MDX");
    EXPECT_EQ(ReadInOrdenOrder(dir.Path()), expected) << "in memory";
    WriteFile(dir / "DIASHORAST2.MDX", index);

    // The tree decides among equal keys: with two entries of key 480 swapped
    // in their leaf, reading follows the file.
    std::string swapped = index;
    std::vector<std::size_t> at;  // entries of key 480 in the leaves
    const std::string key480 = mdx::NumericKey::FromText("480").Bytes();
    for (std::size_t page = 6; page * 512 < swapped.size(); page += 2) {
        const std::size_t node = page * 512;
        const bool leaf = Le32At(swapped, node + 8 + Le32At(swapped, node) * 16) == 0;
        for (std::uint32_t i = 0; leaf && i < Le32At(swapped, node); ++i)
            if (swapped.compare(node + 12 + i * 16, 12, key480) == 0) at.push_back(node + 8 + i * 16);
    }
    ASSERT_GE(at.size(), 2u);
    const std::uint32_t first = Le32At(swapped, at[0]);
    PutLe32At(swapped, at[0], Le32At(swapped, at[1]));
    PutLe32At(swapped, at[1], first);
    WriteFile(dir / "DIASHORAST2.MDX", swapped);
    const Entries read = ReadInOrdenOrder(dir.Path());
    EXPECT_EQ(read, WalkWithPerl(dir / "DIASHORAST2.MDX", "ORDEN").entries);
    EXPECT_NE(read, expected);
}

TEST(MdxIndex, RecordsAddedToAnIndexedTableTakeTheirPlaceAndTheIndexIsRebuilt) {
    TempDir dir;
    auto keys = MixedKeys(200);
    CreateSlots(dir.Path(), keys);
    const std::vector<std::int32_t> more = {480, -100000, 0, 2147483647, 480, 7, 100000, -5};
    {
        Table table(dir.Path(), layouts::Diashorast2());
        table.Open(true);
        std::size_t number = keys.size() + 1;
        for (const auto key : more) {
            table.Append();
            table.SetText("DIHO", "r" + std::to_string(number++));
            table.SetInteger("ORDEN", key);
            table.Post();
        }
        keys.insert(keys.end(), more.begin(), more.end());
        EXPECT_EQ(ReadInOrdenOrder(table), ExpectedEntries(keys)) << "before closing";
        table.Append();  // posted by the walk of the current order
        table.SetText("DIHO", "r" + std::to_string(number));
        table.SetInteger("ORDEN", 480);
        keys.push_back(480);
        EXPECT_EQ(ReadInOrdenOrder(table), ExpectedEntries(keys)) << "after a record posted by moving";
        table.Close();
    }
    EXPECT_EQ(WalkWithPerl(dir / "DIASHORAST2.MDX", "ORDEN").entries, ExpectedEntries(keys));
    EXPECT_EQ(ReadInOrdenOrder(dir.Path()), ExpectedEntries(keys)) << "after closing";
}

// An index that does not hold together: reading the table works, ordering
// by the index raises an error. Records can still be added when the tags can
// be read, and closing then writes a whole new index; when they cannot,
// adding is refused and nothing is written.
TEST(MdxIndex, ADamagedIndexIsAnErrorOnlyWhenUsed) {
    struct Damage {
        const char* what;
        bool tagsReadable;
        std::function<void(std::string&)> apply;
    };
    // 300 records: five leaves (pages 6 to 14) under a root at page 16.
    const std::size_t root = 16 * 512;
    const std::size_t firstLeaf = 6 * 512;
    const std::size_t firstEntry = firstLeaf + 8;
    auto lastEntry = [&](const std::string& b) { return firstEntry + (Le32At(b, firstLeaf) - 1) * 16; };
    const Damage damages[] = {
        {"cut header", false, [](std::string& b) { b.resize(400); }},
        {"no block size", false, [](std::string& b) { b[20] = 0; }},
        {"root beyond the file", true, [](std::string& b) { PutLe32At(b, 2048, 4000); }},
        {"cut before its last node", true, [](std::string& b) { b.resize(b.size() - 1024); }},
        {"a node that is its own child", true, [&](std::string& b) { PutLe32At(b, root + 8, 16); }},
        {"two children the same", true, [&](std::string& b) { PutLe32At(b, root + 24, Le32At(b, root + 8)); }},
        {"a record beyond the table", true, [&](std::string& b) { PutLe32At(b, firstEntry, 301); }},
        {"a record twice", true, [&](std::string& b) { PutLe32At(b, firstEntry, Le32At(b, firstEntry + 16)); }},
        {"a key that is no number", true, [&](std::string& b) { b[firstEntry + 6] = '\xFF'; }},
        {"keys in order that are not their records'", true,
         [&](std::string& b) {
             const std::uint32_t first = Le32At(b, firstEntry);
             PutLe32At(b, firstEntry, Le32At(b, lastEntry(b)));
             PutLe32At(b, lastEntry(b), first);
         }},
        {"keys out of order", true,
         [&](std::string& b) {
             const std::size_t last = lastEntry(b);
             const std::string entry = b.substr(firstEntry, 16);
             b.replace(firstEntry, 16, b.substr(last, 16));
             b.replace(last, 16, entry);
         }},
    };
    const auto keys = MixedKeys(300);
    auto withNew = keys;
    withNew.push_back(7);
    for (const auto& damage : damages) {
        SCOPED_TRACE(damage.what);
        TempDir dir;
        CreateSlots(dir.Path(), keys);
        std::string bytes = ReadFile(dir / "DIASHORAST2.MDX");
        ASSERT_EQ(Le32At(bytes, 2048), 16u) << "root page as the cases expect";
        damage.apply(bytes);
        WriteFile(dir / "DIASHORAST2.MDX", bytes);
        const auto before = Snapshot(dir.Path());

        Table table(dir.Path(), layouts::Diashorast2());
        table.Open(true);
        EXPECT_EQ(table.RecordCount(), 300);
        EXPECT_EQ(Walk(table, {"DIHO"}).size(), 300u) << "read in record order";
        const std::string error = ErrorOf([&] { table.OrderBy("ORDEN"); });
        EXPECT_EQ(error.rfind("El \xEDndice " + (dir / "DIASHORAST2.MDX").string() + " est\xE1 da\xF1" "ado", 0), 0u)
            << error;
        const auto rows = Walk(table, {"DIHO"});
        EXPECT_EQ(rows.front(), std::vector<std::string>{"r1"}) << "the order stays as it was";
        if (damage.tagsReadable) {
            table.Append();
            table.SetText("DIHO", "r301");
            table.SetInteger("ORDEN", 7);
            table.Post();
            table.Close();
            EXPECT_EQ(WalkWithPerl(dir / "DIASHORAST2.MDX", "ORDEN").entries, ExpectedEntries(withNew));
            EXPECT_EQ(ReadInOrdenOrder(dir.Path()), ExpectedEntries(withNew));
        } else {
            EXPECT_EQ(ErrorOf([&] { table.Append(); }),
                      "No se pueden a\xF1" "adir registros a la tabla DIASHORAST2, porque su \xEDndice no se podr\xED"
                      "a mantener al d\xED" "a: " + error);
            table.Close();
            EXPECT_EQ(Snapshot(dir.Path()), before) << "nothing written";
        }
    }
}

TEST(MdxIndex, AnIndexThatCannotBeReadIsAnErrorOnlyWhenUsed) {
    TempDir dir;
    CreateSlots(dir.Path(), {2, 1});
    platform::LockedFile holder;  // another program holds the index
    std::error_code error;
    ASSERT_EQ(holder.Open(dir / "DIASHORAST2.MDX", true, error), platform::LockedFile::Status::Ok);
    Table table(dir.Path(), layouts::Diashorast2());
    table.Open(true);
    EXPECT_EQ(Walk(table, {"DIHO"}), (std::vector<std::vector<std::string>>{{"r1"}, {"r2"}}));
    const std::string reading = "No se puede leer el \xEDndice " + (dir / "DIASHORAST2.MDX").string() +
                                ": otro programa lo tiene abierto";
    EXPECT_EQ(ErrorOf([&] { table.OrderBy("ORDEN"); }), reading);
    EXPECT_NE(ErrorOf([&] { table.Append(); }).find(reading), std::string::npos);
}

TEST(MdxIndex, ATableAnnouncingAnIndexIsReadWithoutItsFileOrAUsableTag) {
    TempDir dir;
    const auto keys = MixedKeys(100);
    CreateSlots(dir.Path(), keys);

    // No file: read, ordered in memory, records added; no index appears.
    fs::remove(dir / "DIASHORAST2.MDX");
    EXPECT_EQ(ReadInOrdenOrder(dir.Path()), ExpectedEntries(keys));
    WriteSlots(dir.Path(), {42}, keys.size() + 1);
    auto withNew = keys;
    withNew.push_back(42);
    EXPECT_EQ(ReadInOrdenOrder(dir.Path()), ExpectedEntries(withNew));
    EXPECT_EQ(FileNames(dir.Path()), std::vector<std::string>{"DIASHORAST2.DBF"});

    // A file whose tags are on other things: read, ordered in memory; records
    // are not added, since those tags could not be kept up to date.
    const std::tm today = TodayLocal();
    std::string other = mdx::BuildIndexFile("DIASHORAST2", {{"DIAS", "DIA", {}}, {"MAS", "ORDEN+1", {}}}, today, today);
    other[2048 + 9] = 'C';  // DIAS becomes a character tag: 20-byte keys in 24-byte entries
    other[2048 + 12] = 20;
    other[2048 + 18] = 24;
    other[544 + 20] = 'C';
    WriteFile(dir / "diashorast2.mdx", other);
    EXPECT_EQ(WalkWithPerl(dir / "diashorast2.mdx", "MAS").tags, "DIAS,MAS");
    EXPECT_EQ(ReadInOrdenOrder(dir.Path()), ExpectedEntries(withNew));
    Table table(dir.Path(), layouts::Diashorast2());
    table.Open(true);
    EXPECT_EQ(ErrorOf([&] { table.Append(); }),
              "No se pueden a\xF1" "adir registros a la tabla DIASHORAST2, porque su \xEDndice no se podr\xED" "a "
              "mantener al d\xED" "a: la etiqueta DIAS del \xEDndice " + (dir / "diashorast2.mdx").string() +
                  " no es ascendente sobre un campo num\xE9rico");
}

TEST(MdxIndex, RecreatingATableLeavesAFreshEmptyIndexOnly) {
    TempDir dir;
    CreateSlots(dir.Path(), MixedKeys(100));
    WriteFile(dir / "diashorast2.mdx", "another spelling of an old index");

    Table table(dir.Path(), layouts::Diashorast2());
    table.Create();
    EXPECT_EQ(FileNames(dir.Path()), (std::vector<std::string>{"DIASHORAST2.DBF", "DIASHORAST2.MDX"}));
    const auto walked = WalkWithPerl(dir / "DIASHORAST2.MDX", "ORDEN");
    EXPECT_EQ(walked.tags, "ORDEN");
    EXPECT_TRUE(walked.entries.empty());
    table.Open();
    EXPECT_EQ(table.RecordCount(), 0);
    table.OrderBy("ORDEN");
    EXPECT_TRUE(table.Eof());
}

TEST(MdxIndex, LayoutIndexesAreNumericFieldsOfDBaseIVTables) {
    TempDir dir;
    const std::string prefix = "La definici\xF3n de la tabla T no es v\xE1lida: ";
    auto errorOf = [&](const TableLayout& layout, DbfLevel level = DbfLevel::DBase4) {
        return ErrorOf([&] { Table(dir.Path(), layout).Create(level); });
    };
    const std::vector<FieldDef> fields = {{"A", FieldType::Character, 5}, {"N", FieldType::Integer, 0}};
    EXPECT_EQ(errorOf({"T", fields, {{"A", "A"}}}), prefix + "el \xEDndice 'A' usa el campo 'A', que no es num\xE9rico");
    EXPECT_EQ(errorOf({"T", fields, {{"N", "N"}}}, DbfLevel::DBase7),
              prefix + "solo las tablas dBase IV llevan \xEDndices");
    EXPECT_EQ(errorOf({"T", fields, {{"N", "N"}, {"n", "N"}}}), prefix + "el \xEDndice 'n' est\xE1 repetido");
    EXPECT_EQ(errorOf({"T", fields, {{"NOMBRELARGO", "N"}}}),
              prefix + "el nombre de \xEDndice 'NOMBRELARGO' no es v\xE1lido");
    EXPECT_EQ(errorOf({"T", fields, {{"X", "Z"}}}), prefix + "el \xEDndice 'X' usa el campo 'Z', que la tabla no tiene");
    EXPECT_TRUE(FileNames(dir.Path()).empty());

    // Two tags, each on its own field, walked by Perl.
    Table table(dir.Path(),
                {"T", {{"A", FieldType::Float, 0}, {"N", FieldType::Integer, 0}}, {{"POR_N", "N"}, {"POR_A", "a"}}});
    table.Create();
    table.Open(true);
    for (const auto& [a, n] : std::vector<std::pair<double, int>>{{2.5, 3}, {-0.25, 1}, {100, 2}}) {
        table.Append();
        table.SetFloat("A", a);
        table.SetInteger("N", n);
        table.Post();
    }
    table.Close();
    EXPECT_EQ(WalkWithPerl(dir / "T.MDX", "POR_A").entries, (Entries{{"-0.25", 2}, {"2.5", 1}, {"100", 3}}));
    EXPECT_EQ(WalkWithPerl(dir / "T.MDX", "POR_N").entries, (Entries{{"1", 2}, {"2", 3}, {"3", 1}}));
    EXPECT_EQ(WalkWithPerl(dir / "T.MDX", "POR_N").tags, "POR_A,POR_N");
}

TEST(MdxIndex, StagedTablesPutTheNewIndexInPlaceAndEveryOldOneAside) {
    TempDir dir;
    for (const char* name : {"DIASHORAST2.DBF", "DIASHORAST2.MDX", "diashorast2.mdx", "ASIGT.DBF", "Asigt.Mdx"})
        WriteFile(dir / name, "old");
    {
        StagedTables staged(dir.Path());
        CreateSlots(staged.Directory(), {535, 480});
        Table asigt(staged.Directory(), layouts::Asigt());
        asigt.Create();
        staged.Commit(StagedTables::TableFiles({"DIASHORAST2", "ASIGT"}), {}, {});
    }
    EXPECT_EQ(FileNames(dir.Path()),
              (std::vector<std::string>{"ASIGT.DBF", "COPIAS", "DIASHORAST2.DBF", "DIASHORAST2.MDX"}));
    EXPECT_EQ(WalkWithPerl(dir / "DIASHORAST2.MDX", "ORDEN").entries, (Entries{{"480", 2}, {"535", 1}}));
    EXPECT_EQ(ReadInOrdenOrder(dir.Path()), (Entries{{"480", 2}, {"535", 1}}));
}

}  // namespace
}  // namespace vindeleo::test::tables
