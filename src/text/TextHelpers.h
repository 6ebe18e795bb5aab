#pragma once
// The small text functions that the conversion steps share. Texts are
// Windows-1252 byte strings; a blank is the character of code 32 only.

#include <string>
#include <string_view>

namespace vindeleo {

class CodeList;

std::string RTrim(std::string_view text);
std::string LTrim(std::string_view text);
std::string AllTrim(std::string_view text);
std::string Left(std::string_view text, long long count);
std::string Right(std::string_view text, long long count);
// The characters A to Z of the text, in their order.
std::string CapitalsOf(std::string_view text);
// Every character that directly follows a blank, in order.
std::string InitialsAfterBlanks(std::string_view text);
// base when the list lacks it, else base followed by the first of 1, 2, 3 ...
// that makes a code the list lacks. The list is not changed.
std::string UniqueSuffix(const std::string& base, const CodeList& list);
// A code longer than ten characters becomes its first eight and its last two.
std::string FitTen(std::string_view code);

}  // namespace vindeleo
