#include "session/HostProtocol.h"

#include <string>

#include "session/IniFile.h"
#include "session/ModuleState.h"
#include "session/Paths.h"
#include "platform/PathText.h"
#include "platform/FileNames.h"
#include "text/Error.h"
#include "text/Format.h"
#include "text/Messages.h"

namespace vindeleo {

namespace {
constexpr const char* kResultSection = "Transformadores";
constexpr const char* kResultKey = "Transformado";

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Lower-cases A to Z only, as the action word is compared.
std::string LowerAscii(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}
}  // namespace

HostAction ActionOf(const std::string& word1252) {
    const std::string word = LowerAscii(word1252);
    if (word == "exportar") return HostAction::Exportar;
    if (word == "importar") return HostAction::Importar;
    return HostAction::None;
}

std::uint32_t ReadHostHandle(const std::string& argument1252) {
    const auto fail = [&] { return Error(Format(msg::kNotAnInteger, "$" + argument1252)); };
    if (argument1252.empty()) throw fail();
    std::uint64_t value = 0;
    for (char c : argument1252) {
        const int digit = HexDigit(c);
        if (digit < 0) throw fail();
        value = value * 16 + static_cast<std::uint64_t>(digit);
        if (value > 0xFFFFFFFFull) throw fail();
    }
    return static_cast<std::uint32_t>(value);
}

std::filesystem::path HostResultFile(const std::filesystem::path& programDirectory) {
    return platform::ExistingSpelling(programDirectory / PathFromText(kHostResultFile));
}

void WriteHostResult(const ModuleState& state) {
    WriteProfileString(HostResultFile(state.ProgramDirectory), kResultSection, kResultKey,
                       std::to_string(state.ResultCode));
}

}  // namespace vindeleo
