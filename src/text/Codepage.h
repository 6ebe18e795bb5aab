#pragma once
// The system's 8-bit code page is Windows-1252 on every platform. These helpers
// convert between it and the UTF-8 of the XML layer and the terminal, and fold
// letter case the way the case-insensitive code lists compare.

#include <string>
#include <string_view>

namespace vindeleo {

// UTF-8 to Windows-1252; a character that Windows-1252 lacks (or a malformed
// sequence) becomes '?'.
std::string Utf8To1252(std::string_view utf8);
// Windows-1252 to UTF-8; every byte maps to one character, so nothing is lost.
std::string Cp1252ToUtf8(std::string_view text1252);

// Folds one Windows-1252 letter to lower case: A-Z, À-Þ (not ×), Š, Œ, Ž, Ÿ.
unsigned char FoldCase1252(unsigned char c);
std::string FoldCase1252(std::string_view text1252);

// Upper-cases the letters a to z only; every other byte stays as it is.
std::string UpperAscii(std::string_view text);

}  // namespace vindeleo
