#pragma once
// Helpers of the index tests: the independent reader of ".MDX" files (Perl's
// XBase::Index, which walks a tag's B-tree with dBase IV's 1,024-byte blocks
// and hands back each key's raw bytes, decoded here in Perl), tables of
// numbered slots, and the bytes of a written index.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tables/Layouts.h"
#include "tables/Table.h"
#include "tables/TablesSupport.h"

namespace vindeleo::test::tables {

// Prints the tags of the file, the walked tag's key type, key length, entry
// length, keys per node and unique flag, then one line per entry in the
// order of the tree: the key's number in decimal and the record number.
inline const char* const kMdxWalkScript = R"PERL(
use strict;
use warnings;
use XBase::Index;

my ($file, $tag) = @ARGV;
my $index = XBase::Index->new($file, 'tag' => $tag) or die XBase::Index->errstr;
print 'tags ', join(',', $index->tags), "\n";
my $t = $index->{'active'};
print "tag $t->{key_type_1} $t->{key_length} $t->{key_record_length} $t->{max_no_keys_per_page} $t->{unique}\n";

# A twelve-byte numeric key: 52 + exponent, sign and digit count, packed digits.
sub decode {
    my @b = unpack 'C12', shift;
    my $count = ($b[1] >> 2) & 0x1F;
    return '0' if $count == 0;
    my $digits = '';
    for my $i (0 .. $count - 1) {
        my $byte = $b[2 + int($i / 2)];
        $digits .= $i % 2 ? ($byte & 0x0F) : ($byte >> 4);
    }
    my $exponent = $b[0] - 52;
    my $text;
    if ($exponent >= $count) { $text = $digits . ('0' x ($exponent - $count)); }
    elsif ($exponent <= 0)   { $text = '0.' . ('0' x -$exponent) . $digits; }
    else                     { $text = substr($digits, 0, $exponent) . '.' . substr($digits, $exponent); }
    $text =~ s/^0+(?=\d)//;
    $text =~ s/(\.\d*?)0+$/$1/;
    $text =~ s/\.$//;
    return ($b[1] & 0x80 ? '-' : '') . $text;
}

$index->prepare_select or die $index->errstr;
while (my ($key, $record) = $index->fetch) {
    print 'entry ', decode($key), " $record\n";
}
die $index->errstr if $index->errstr;
)PERL";

struct PerlIndex {
    std::string tags;     // "ORDEN"
    std::string tagInfo;  // "N 12 16 63 0"
    std::vector<std::pair<std::string, std::uint32_t>> entries;  // key, record from 1
};

// Walks a tag with Perl's reader; a failure of the reader fails the test.
inline PerlIndex WalkWithPerl(const fs::path& mdx, const std::string& tag) {
    const auto result = RunScript("perl", kMdxWalkScript, "'" + mdx.string() + "' '" + tag + "'");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    PerlIndex walked;
    std::istringstream lines(result.out);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("tags ", 0) == 0) walked.tags = line.substr(5);
        if (line.rfind("tag ", 0) == 0) walked.tagInfo = line.substr(4);
        if (line.rfind("entry ", 0) == 0) {
            std::istringstream fields(line.substr(6));
            std::string key;
            std::uint32_t record = 0;
            fields >> key >> record;
            walked.entries.emplace_back(key, record);
        }
    }
    return walked;
}

// The slots of a DIASHORAST2 table: each record's DIHO is "r" and its number
// from 1, its ORDEN the given key.
inline void WriteSlots(const fs::path& dir, const std::vector<std::int32_t>& keys, std::size_t firstNumber = 1) {
    Table table(dir, layouts::Diashorast2());
    table.Open(true);
    std::size_t number = firstNumber;
    for (const auto key : keys) {
        table.Append();
        table.SetText("DIHO", "r" + std::to_string(number++));
        table.SetInteger("ORDEN", key);
        table.Post();
    }
    table.Close();
}

inline void CreateSlots(const fs::path& dir, const std::vector<std::int32_t>& keys) {
    Table table(dir, layouts::Diashorast2());
    table.Create();
    WriteSlots(dir, keys);
}

// The entries that an ascending index with duplicates holds for the keys of
// records 1, 2, 3 ...: by value, equal keys by record number.
inline std::vector<std::pair<std::string, std::uint32_t>> ExpectedEntries(const std::vector<std::int32_t>& keys) {
    std::vector<std::pair<std::int32_t, std::uint32_t>> sorted;
    for (std::size_t i = 0; i < keys.size(); ++i) sorted.emplace_back(keys[i], static_cast<std::uint32_t>(i + 1));
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::pair<std::string, std::uint32_t>> entries;
    for (const auto& [key, record] : sorted) entries.emplace_back(std::to_string(key), record);
    return entries;
}

// The records of DIASHORAST2 as the table layer reads them in ORDEN order.
inline std::vector<std::pair<std::string, std::uint32_t>> ReadInOrdenOrder(Table& table) {
    std::vector<std::pair<std::string, std::uint32_t>> entries;
    table.OrderBy("ORDEN");
    for (table.First(); !table.Eof(); table.Next())
        entries.emplace_back(table.Text("ORDEN"), static_cast<std::uint32_t>(std::stoul(table.Text("DIHO").substr(1))));
    return entries;
}

inline std::vector<std::pair<std::string, std::uint32_t>> ReadInOrdenOrder(const fs::path& dir) {
    Table table(dir, layouts::Diashorast2());
    table.Open();
    return ReadInOrdenOrder(table);
}

// Keys with every case that matters: equal keys, negative ones, zero, keys
// of five digits and more, the 32-bit extremes; the rest pseudo-random.
inline std::vector<std::int32_t> MixedKeys(std::size_t count) {
    static const std::int32_t special[] = {480,    -5,     10000, 0,      480,   99999, -2147483647 - 1,
                                           12345,  -10000, 9999,  100000, 2147483647, -1, 535, 480, 0};
    std::vector<std::int32_t> keys;
    std::uint32_t state = 12345;
    for (std::size_t i = 0; i < count; ++i) {
        if (i < std::size(special)) {
            keys.push_back(special[i]);
        } else {
            state = state * 1103515245u + 12345u;
            keys.push_back(static_cast<std::int32_t>((state >> 8) % 200001) - 100000);
        }
    }
    return keys;
}

inline std::uint32_t Le32At(const std::string& bytes, std::size_t at) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data() + at);
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

inline void PutLe32At(std::string& bytes, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace vindeleo::test::tables
