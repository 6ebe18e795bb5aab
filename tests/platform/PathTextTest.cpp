// Paths made from the system's texts and shown in its messages: Windows-1252
// and UTF-8 texts both ways, file names with letters beyond ASCII.

#include <gtest/gtest.h>

#include "platform/PathText.h"
#include "platform/PlatformSupport.h"
#include "support/TestSupport.h"
#include "text/Codepage.h"

namespace vindeleo {
namespace {

namespace fs = std::filesystem;

// "Año escolar/Horario ñ.xml" as Windows-1252 and as UTF-8.
constexpr const char* kText1252 = "A\xF1o escolar/Horario \xF1.xml";
constexpr const char* kTextUtf8 = "A\xC3\xB1o escolar/Horario \xC3\xB1.xml";

TEST(PathTextTest, TextsAndPathsRoundTrip) {
    const fs::path path = PathFromText(kText1252);
    EXPECT_EQ(PathText(path), kText1252);
    EXPECT_EQ(PathUtf8(path), kTextUtf8);
    EXPECT_EQ(PathFromUtf8(kTextUtf8), path);
    EXPECT_EQ(PathText(path.filename()), "Horario \xF1.xml");
    EXPECT_EQ(PathText(path.parent_path()), "A\xF1o escolar");
    // Every character of Windows-1252 that a file name may hold, the five
    // bytes that it leaves undefined included.
    for (int byte = 0x20; byte <= 0xFF; ++byte) {
        if (byte == '/' || byte == '\\' || byte == ':' || byte == '*' || byte == '?' || byte == '"' ||
            byte == '<' || byte == '>' || byte == '|')
            continue;
        const std::string text(1, static_cast<char>(byte));
        EXPECT_EQ(PathText(PathFromText(text)), text) << byte;
        EXPECT_EQ(PathUtf8(PathFromText(text)), Cp1252ToUtf8(text)) << byte;
    }
}

TEST(PathTextTest, ACharacterThatWindows1252LacksReadsAsAQuestionMark) {
    EXPECT_EQ(PathText(PathFromUtf8("Horario \xE6\x97\xA5\xE2\x82\xAC.xml")), "Horario ?\x80.xml");  // U+65E5 and €
}

// A UTF-8 text that is not sound names no other file: an overlong '/', a
// surrogate and a code point beyond U+10FFFF read as a '?' for each byte.
TEST(PathTextTest, UnsoundUtf8ReadsAsQuestionMarks) {
    EXPECT_EQ(PathText(PathFromUtf8("a\xC0\xAF" "b.xml")), "a??b.xml");
    EXPECT_EQ(PathText(PathFromUtf8("a\xE0\x80\xAE" "xml")), "a???xml");
    EXPECT_EQ(PathText(PathFromUtf8("a\xED\xA0\x80.xml")), "a???.xml");
    EXPECT_EQ(PathText(PathFromUtf8("a\xF4\x90\x80\x80.xml")), "a????.xml");
}

// A file made through the texts is found on disk under the same texts.
TEST(PathTextTest, AFileNamedByTextIsListedUnderThatText) {
    test::TempDir dir;
    const fs::path file = dir.Path() / PathFromText(kText1252);
    fs::create_directories(file.parent_path());
    test::WriteFile(file, "x");
    EXPECT_EQ(test::NamesIn(dir.Path()), std::vector<std::string>{"A\xF1o escolar"});
    EXPECT_EQ(test::NamesIn(file.parent_path()), std::vector<std::string>{"Horario \xF1.xml"});
    EXPECT_EQ(test::ReadFile(dir.Path() / PathFromUtf8(kTextUtf8)), "x");
}

}  // namespace
}  // namespace vindeleo
