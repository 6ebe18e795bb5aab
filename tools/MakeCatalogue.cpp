// Writes the level catalogue NIVELEX.DBF from its source, a text file of lines
// "X_OFERTAMATRIG;NIVEL_ABREV;ESTUDIO" in UTF-8 ('#' starts a note).
//
//   make-catalogue SOURCE.csv TARGET.DBF

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "tables/LevelCatalogue.h"
#include "text/Codepage.h"
#include "text/Error.h"

namespace {

using namespace vindeleo;

std::vector<LevelCatalogueEntry> ReadSource(const std::filesystem::path& source) {
    std::ifstream in(source);
    if (!in) throw std::runtime_error("cannot read " + source.string());
    std::vector<LevelCatalogueEntry> entries;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const auto first = line.find(';');
        const auto second = first == std::string::npos ? first : line.find(';', first + 1);
        if (second == std::string::npos)
            throw std::runtime_error(source.string() + ":" + std::to_string(number) + ": expected KEY;LEVEL;STUDY");
        entries.push_back({StrToInt(line.substr(0, first)), Utf8To1252(line.substr(first + 1, second - first - 1)),
                           Utf8To1252(line.substr(second + 1))});
    }
    return entries;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: make-catalogue SOURCE.csv TARGET.DBF\n";
        return 64;
    }
    try {
        const std::filesystem::path target = std::filesystem::absolute(argv[2]);
        if (target.filename() != "NIVELEX.DBF") throw std::runtime_error("the target must be named NIVELEX.DBF");
        WriteLevelCatalogue(target.parent_path(), ReadSource(argv[1]));
    } catch (const std::exception& error) {
        std::cerr << "make-catalogue: " << Cp1252ToUtf8(error.what()) << '\n';
        return 1;
    }
    return 0;
}
