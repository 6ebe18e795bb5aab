#pragma once
// The system's 8-bit code page is Windows-1252 on every platform. These helpers
// convert between it and the UTF-8 of the XML layer and the terminal, and fold
// letter case the way the case-insensitive code lists compare.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vindeleo {

// The Unicode character of a Windows-1252 byte. The five bytes that the code
// page leaves undefined (0x81, 0x8D, 0x8F, 0x90 and 0x9D) stand for the C1
// control character of the same value (U+0081 ...), as Windows' own conversion
// reads them: no byte is refused, and every byte is written back as it was.
char32_t CodePointOf1252(unsigned char byte);
// The Windows-1252 byte of a Unicode character; none when the code page lacks it.
std::optional<unsigned char> ByteOf1252(char32_t codePoint);

// The character that a (non-empty) UTF-8 text begins with: the one decoder of
// UTF-8 in the system. Truncated: the text ends within a sequence whose bytes
// so far are sound; Malformed: the first byte begins no sequence, or a byte
// after it does not continue it. Only the shortest form of a character is
// sound: overlong forms (C0 AF for '/'), surrogates (U+D800 to U+DFFF) and
// code points beyond U+10FFFF are Malformed, as other invalid bytes are.
struct Utf8Char {
    enum class Kind { Valid, Truncated, Malformed };
    Kind kind = Kind::Malformed;
    char32_t codePoint = 0;  // when Valid
    std::size_t length = 1;  // bytes taken, when Valid
};
Utf8Char FirstUtf8Char(std::string_view utf8);
// Writes the UTF-8 bytes of a character (at most four) to out; returns how many.
std::size_t EncodeUtf8(char32_t codePoint, char* out);

// UTF-8 to Windows-1252; a character that Windows-1252 lacks (or a malformed
// sequence) becomes '?'.
std::string Utf8To1252(std::string_view utf8);
// Windows-1252 to UTF-8; every byte maps to one character, so nothing is lost.
std::string Cp1252ToUtf8(std::string_view text1252);

// Windows-1252 to UTF-16 and back, one code unit for each byte, as Windows'
// own conversion of the code page goes: a code unit that Windows-1252 lacks
// becomes '?', never a look-alike, so a character beyond U+FFFF (two code
// units) becomes "??". The one conversion of the code page on Windows, where
// the system converts only between UTF-16 and UTF-8.
std::u16string Cp1252ToUtf16(std::string_view text1252);
std::string Utf16To1252(std::u16string_view utf16);

// Folds one Windows-1252 letter to lower case: A-Z, À-Þ (not ×), Š, Œ, Ž, Ÿ.
unsigned char FoldCase1252(unsigned char c);
std::string FoldCase1252(std::string_view text1252);

// Upper-cases the letters a to z only; every other byte stays as it is.
std::string UpperAscii(std::string_view text);

}  // namespace vindeleo
