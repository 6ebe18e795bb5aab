#include "platform/Console.h"

namespace vindeleo::platform {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

std::filesystem::path ArgumentPath(const std::string& argument) { return argument; }

void PrepareConsole() {}

}  // namespace vindeleo::platform
