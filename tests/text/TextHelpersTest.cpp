#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <unordered_set>

#include "text/CodeList.h"
#include "text/Codepage.h"
#include "text/Error.h"
#include "text/TextHelpers.h"

namespace vindeleo {
namespace {

TEST(TextHelpers, TrimsOnlyBlanks) {
    EXPECT_EQ(AllTrim(""), "");
    EXPECT_EQ(AllTrim("    "), "");
    EXPECT_EQ(AllTrim("  a b  "), "a b");
    EXPECT_EQ(AllTrim("\ta "), "\ta");
    EXPECT_EQ(LTrim("  a  "), "a  ");
    EXPECT_EQ(RTrim("  a  "), "  a");
}

TEST(TextHelpers, LeftAndRight) {
    struct Case { const char* text; long long n; const char* left; const char* right; };
    const Case cases[] = {
        {"abc", 5, "abc", "abc"}, {"abc", 0, "", ""}, {"abcdef", 2, "ab", "ef"},
        {"ab", 2, "ab", "ab"},    {"abc", -1, "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Left(c.text, c.n), c.left) << c.text << " " << c.n;
        EXPECT_EQ(Right(c.text, c.n), c.right) << c.text << " " << c.n;
    }
}

TEST(TextHelpers, CapitalsAndInitials) {
    EXPECT_EQ(CapitalsOf("Lengua Castellana y Literatura"), "LCL");
    EXPECT_EQ(CapitalsOf("\xC9tica"), "");  // Ética: an accented capital is no capital
    EXPECT_EQ(InitialsAfterBlanks("Lengua Castellana y Literatura"), "CyL");
    EXPECT_EQ(InitialsAfterBlanks("F\xEDsica "), "");
    EXPECT_EQ(InitialsAfterBlanks("A  B"), " B");
}

TEST(TextHelpers, FitTenKeepsTheLastTwo) {
    EXPECT_EQ(FitTen("ABCDEFGHIJ"), "ABCDEFGHIJ");
    EXPECT_EQ(FitTen("ABCDEFGHIJ12"), "ABCDEFGH12");
    EXPECT_EQ(FitTen("ABCDEFGHIJ1"), "ABCDEFGHJ1");
}

TEST(CodeListTest, UniqueSuffixFollowsTheCaseRule) {
    CodeList sensitive(CaseRule::Sensitive);
    sensitive.Add("MAT");
    sensitive.Add("MAT1");
    EXPECT_EQ(UniqueSuffix("MAT", sensitive), "MAT2");
    EXPECT_EQ(UniqueSuffix("mat", sensitive), "mat");

    CodeList insensitive(CaseRule::Insensitive);
    insensitive.Add("mat");
    EXPECT_EQ(UniqueSuffix("MAT", insensitive), "MAT1");
    insensitive.Add("\xE1rea");  // área
    EXPECT_TRUE(insensitive.Contains("\xC1REA"));  // ÁREA
    EXPECT_FALSE(insensitive.Contains("\xD7"));     // × has no case
    insensitive.Add("\x9C");                        // œ
    EXPECT_TRUE(insensitive.Contains("\x8C"));      // Œ

    CodeList ten(CaseRule::Sensitive);
    ten.Add("ABCDEFGHIJ");
    EXPECT_EQ(UniqueSuffix("ABCDEFGHIJ", ten), "ABCDEFGHIJ1");
    EXPECT_EQ(ten.Entries().size(), 1u);  // the list is not changed
}

TEST(CodeListTest, GiveOutRetestsTheFittedCode) {
    // The third name of the kind: the unfitted candidate is free, but its
    // fitted form was given to the second; the numbers go on.
    CodeList used(CaseRule::Sensitive);
    EXPECT_EQ(used.GiveOut("CIENCIASSO", Fitting::Always), "CIENCIASSO");
    EXPECT_EQ(used.GiveOut("CIENCIASSO", Fitting::Always), "CIENCIASO1");
    EXPECT_EQ(used.GiveOut("CIENCIASSO", Fitting::Always), "CIENCIASO2");

    // Groups: two equal names longer than ten characters do not share a code.
    CodeList groups(CaseRule::Insensitive);
    EXPECT_EQ(groups.GiveOut("ABCDEFGHIJKL", Fitting::Always), "ABCDEFGHKL");
    EXPECT_EQ(groups.GiveOut("abcdefghijkl", Fitting::Always), "abcdefghl1");

    // Teachers: only a code that needed a number is fitted.
    CodeList teachers(CaseRule::Insensitive);
    EXPECT_EQ(teachers.GiveOut("GLJ", Fitting::AfterSuffix), "GLJ");
    EXPECT_EQ(teachers.GiveOut("glj", Fitting::AfterSuffix), "glj1");
    EXPECT_EQ(teachers.GiveOut("GLJ", Fitting::AfterSuffix), "GLJ2");

    // Rooms: never fitted.
    CodeList rooms(CaseRule::Insensitive);
    EXPECT_EQ(rooms.GiveOut("ABCDEFGHIJ", Fitting::Never), "ABCDEFGHIJ");
    EXPECT_EQ(rooms.GiveOut("ABCDEFGHIJ", Fitting::Never), "ABCDEFGHIJ1");
}

TEST(CodeListTest, EqualNamesGetEveryFittedCodeThenStop) {
    // How many equal names of each length get a code of their own: a short base
    // keeps every number up to ten characters in all (GRUPO_A1 ... GRUPO_A999);
    // from eight characters on, fitting keeps the first eight and the number's
    // last two digits, so the base, nine one-digit codes and the hundred
    // two-digit endings. The next name stops the run instead of storing a code
    // twice or searching forever. Boundaries over a million are left out only
    // because filling them takes too long here, and the million is filled once;
    // they follow the same rule.
    const std::string name = "GRUPO_ABCDEF";
    struct Case { std::size_t length; std::uint64_t codes; };
    const Case cases[] = {{1, 1000000000}, {2, 100000000}, {3, 10000000}, {4, 1000000}, {5, 100000},
                          {6, 10000},      {7, 1000},      {8, 110},      {9, 110},     {10, 110},
                          {12, 110}};
    for (const auto& c : cases) {
        if (c.codes > 1000000) continue;
        const std::string base = name.substr(0, c.length);
        for (const Fitting fitting : {Fitting::Always, Fitting::AfterSuffix}) {
            if (fitting == Fitting::AfterSuffix && c.codes == 1000000) continue;
            CodeList list(CaseRule::Insensitive);
            std::unordered_set<std::string> seen;
            for (std::uint64_t i = 0; i < c.codes; ++i) {
                const std::string code = list.GiveOut(base, fitting);
                if (i > 0) {
                    ASSERT_LE(code.size(), 10u) << base;
                }
                ASSERT_TRUE(seen.insert(code).second) << base << " gave " << code << " twice";
            }
            for (int again = 0; again < 2; ++again) {
                try {
                    list.GiveOut(base, fitting);
                    ADD_FAILURE() << base << ": a code past " << c.codes;
                } catch (const Error& e) {
                    EXPECT_EQ(std::string(e.what()),
                              "No quedan c\xF3" "digos libres de diez caracteres para '" + base +
                                  "'. Cambie en Siravel algunos de los nombres que empiezan igual y vuelva a importar");
                }
            }
        }
    }
}

TEST(CodeListTest, FittedCodesStayUniqueAndFreeEndingsAreFound) {
    CodeList used(CaseRule::Sensitive);
    std::set<std::string> seen;
    for (int i = 0; i < 110; ++i) seen.insert(used.GiveOut("ABCDEFGHIJ", Fitting::Always));
    EXPECT_EQ(seen.size(), 110u);
    EXPECT_TRUE(seen.count("ABCDEFGH00"));  // number 100
    // Codes of other names that take two-digit endings early leave fewer for
    // this one; an ending still free is found however far its number lies.
    CodeList groups(CaseRule::Sensitive);
    for (int ending = 0; ending < 100; ++ending)
        if (ending != 42) groups.Add("ABCDEFGH" + std::string(ending < 10 ? "0" : "") + std::to_string(ending));
    for (int digit = 1; digit <= 9; ++digit) groups.Add("ABCDEFGHI" + std::to_string(digit));
    groups.Add("ABCDEFGHI");
    EXPECT_EQ(groups.GiveOut("ABCDEFGHI", Fitting::Always), "ABCDEFGH42");
    EXPECT_THROW(groups.GiveOut("ABCDEFGHI", Fitting::Always), Error);
    // Rooms are never fitted, so numbering always finds a code.
    CodeList rooms(CaseRule::Insensitive);
    for (int i = 0; i < 2000; ++i) rooms.GiveOut("AULA_ABCDEF", Fitting::Never);
    EXPECT_EQ(rooms.Entries().back(), "AULA_ABCDEF1999");
}

TEST(CodeListTest, ThousandsOfEqualBasesGetConsecutiveNumbers) {
    CodeList list(CaseRule::Insensitive);
    for (int i = 0; i < 20000; ++i) list.GiveOut(i % 2 ? "GLJ" : "glj", Fitting::AfterSuffix);
    EXPECT_EQ(list.Size(), 20000u);
    EXPECT_EQ(list.Entries()[1], "GLJ1");
    EXPECT_EQ(list.Entries().back(), "GLJ19999");
}

TEST(Codepage, ConvertsBothWays) {
    EXPECT_EQ(Utf8To1252("\xC3\x89t\xC3\xAD" "ca \xE2\x82\xAC"), "\xC9t\xED" "ca \x80");  // Ética €
    EXPECT_EQ(Utf8To1252("\xC4\x81\xE2\x86\x92"), "??");                           // ā →
    EXPECT_EQ(Utf8To1252("a\xFF" "b"), "a?b");                                     // malformed
    EXPECT_EQ(Cp1252ToUtf8("\x80\xD3\x81"), "\xE2\x82\xAC\xC3\x93\xC2\x81");
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(Utf8To1252(Cp1252ToUtf8(all)), all);
}

// Only the shortest form of each character up to U+10FFFF decodes; every
// other sequence is refused at its first byte, as a stray byte is.
// One code unit a byte both ways, as Windows' conversion of the code page:
// each half of a character beyond U+FFFF, and a lone half, is a '?'.
TEST(Codepage, ConvertsToAndFromUtf16) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const std::u16string wide = Cp1252ToUtf16(all);
    ASSERT_EQ(wide.size(), 256u);
    EXPECT_EQ(wide[0x80], u'\u20AC');
    EXPECT_EQ(wide[0x81], u'\u0081');
    EXPECT_EQ(wide[0xD3], u'\u00D3');
    EXPECT_EQ(Utf16To1252(wide), all);
    EXPECT_EQ(Utf16To1252(u"\u0101\u2192x"), "??x");        // ā → x
    EXPECT_EQ(Utf16To1252(u"a\U0001F600.xml"), "a??.xml");   // U+1F600: two code units
    EXPECT_EQ(Utf16To1252(std::u16string(1, char16_t(0xDC00)) + u"b"), "?b");
}

TEST(Codepage, DecodesOnlySoundUtf8) {
    using Kind = Utf8Char::Kind;
    struct Case {
        const char* what;
        std::string bytes;
        Kind kind;
        char32_t codePoint;  // when Valid
        std::size_t length;  // when Valid
    };
    const Case cases[] = {
        {"U+007F", "\x7F", Kind::Valid, 0x7F, 1},
        {"U+0080", "\xC2\x80", Kind::Valid, 0x80, 2},
        {"U+07FF", "\xDF\xBF", Kind::Valid, 0x7FF, 2},
        {"U+0800", "\xE0\xA0\x80", Kind::Valid, 0x800, 3},
        {"U+D7FF, before the surrogates", "\xED\x9F\xBF", Kind::Valid, 0xD7FF, 3},
        {"U+E000, after the surrogates", "\xEE\x80\x80", Kind::Valid, 0xE000, 3},
        {"U+FFFF", "\xEF\xBF\xBF", Kind::Valid, 0xFFFF, 3},
        {"U+10000", "\xF0\x90\x80\x80", Kind::Valid, 0x10000, 4},
        {"U+10FFFF", "\xF4\x8F\xBF\xBF", Kind::Valid, 0x10FFFF, 4},
        {"a character and what follows", "\xC3\xB1x", Kind::Valid, 0xF1, 2},
        {"overlong '/' in two bytes", "\xC0\xAF", Kind::Malformed, 0, 0},
        {"overlong U+007F in two bytes", "\xC1\xBF", Kind::Malformed, 0, 0},
        {"overlong '/' in three bytes", "\xE0\x80\xAF", Kind::Malformed, 0, 0},
        {"overlong U+07FF in three bytes", "\xE0\x9F\xBF", Kind::Malformed, 0, 0},
        {"overlong '/' in four bytes", "\xF0\x80\x80\xAF", Kind::Malformed, 0, 0},
        {"overlong U+FFFF in four bytes", "\xF0\x8F\xBF\xBF", Kind::Malformed, 0, 0},
        {"surrogate U+D800", "\xED\xA0\x80", Kind::Malformed, 0, 0},
        {"surrogate U+DFFF", "\xED\xBF\xBF", Kind::Malformed, 0, 0},
        {"U+110000", "\xF4\x90\x80\x80", Kind::Malformed, 0, 0},
        {"lead byte F5", "\xF5\x80\x80\x80", Kind::Malformed, 0, 0},
        {"lead byte FF", "\xFF", Kind::Malformed, 0, 0},
        {"a continuation byte alone", "\x80", Kind::Malformed, 0, 0},
        {"a lead byte before a letter", "\xC3" "a", Kind::Malformed, 0, 0},
        {"a four-byte sequence cut after three", "\xF0\x9F\x98x", Kind::Malformed, 0, 0},
        {"two bytes of three at the end", "\xE2\x82", Kind::Truncated, 0, 0},
        {"one byte of four at the end", "\xF4", Kind::Truncated, 0, 0},
        {"a surrogate's first two bytes at the end", "\xED\xA0", Kind::Malformed, 0, 0},
        {"an overlong form's first two bytes at the end", "\xE0\x80", Kind::Malformed, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Utf8Char decoded = FirstUtf8Char(c.bytes);
        EXPECT_EQ(decoded.kind, c.kind);
        if (c.kind != Kind::Valid) continue;
        EXPECT_EQ(decoded.codePoint, c.codePoint);
        EXPECT_EQ(decoded.length, c.length);
    }
    // Each byte of a refused sequence reads as '?', as a stray byte does.
    EXPECT_EQ(Utf8To1252("a\xC0\xAF" "b"), "a??b");
    EXPECT_EQ(Utf8To1252("a\xED\xA0\x80" "b"), "a???b");
    EXPECT_EQ(Utf8To1252("a\xF4\x90\x80\x80" "b"), "a????b");
}

TEST(ErrorText, FullStopAndIntegerConversion) {
    EXPECT_EQ(ErrorBoxText("'x' no es un valor entero v\xE1lido"), "'x' no es un valor entero v\xE1lido.");
    EXPECT_EQ(ErrorBoxText("Ya termina."), "Ya termina.");
    EXPECT_EQ(ErrorBoxText("abc)"), "abc)");
    EXPECT_EQ(StrToInt("007"), 7);
    EXPECT_EQ(StrToInt("-2147483648"), -2147483648LL);
    EXPECT_EQ(StrToInt("+12"), 12);
    for (const char* bad : {"", "x", "1.5", "2147483648", "+-1", "-", " 1", "12a"}) {
        try {
            StrToInt(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), std::string("'") + bad + "' no es un valor entero v\xE1lido");
        }
    }
}

}  // namespace
}  // namespace vindeleo
