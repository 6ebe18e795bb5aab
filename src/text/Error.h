#pragma once
// The one exception type of the conversion library. It carries the text that the
// user reads in the error box, in Windows-1252 like every text of the system.
// Only the front ends catch it.

#include <optional>
#include <stdexcept>
#include <string>

namespace vindeleo {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message1252) : std::runtime_error(message1252) {}
};

// The text of the error box: the message with a full stop added when its last
// character's code is above that of the full stop (46).
std::string ErrorBoxText(const std::string& message1252);

// Reads a whole 32-bit number written in decimal digits with an optional sign.
// Anything else raises "'%s' no es un valor entero válido" with the text as given.
int StrToInt(const std::string& text1252);
// The number that StrToInt reads, or nothing where StrToInt raises its error.
std::optional<int> IntegerOf(const std::string& text1252);

}  // namespace vindeleo
