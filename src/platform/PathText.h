#pragma once
// File names as texts. The system's texts are Windows-1252 (the document
// chosen, the names of tables and files) or UTF-8 (the command line and the
// terminal); file names are UTF-8 bytes on Linux and UTF-16 on Windows. Every
// path made from a text, and every path shown in a message, goes through these.

#include <filesystem>
#include <string>
#include <string_view>

namespace vindeleo {

// A path as the user reads it in a message, in Windows-1252 ('?' for a
// character it lacks).
std::string PathText(const std::filesystem::path& path);
// The path that a Windows-1252 text names.
std::filesystem::path PathFromText(std::string_view text1252);

// A path in UTF-8 (a name that is not valid Unicode gets U+FFFD or '?').
std::string PathUtf8(const std::filesystem::path& path);
// The path that a UTF-8 text names.
std::filesystem::path PathFromUtf8(std::string_view utf8);

}  // namespace vindeleo
