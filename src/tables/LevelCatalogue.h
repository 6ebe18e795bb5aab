#pragma once
// The level catalogue NIVELEX.DBF that is installed beside the program: one
// record per course offer with its level abbreviation and study name.

#include <filesystem>
#include <string>
#include <vector>

namespace vindeleo {

struct LevelCatalogueEntry {
    int key;            // X_OFERTAMATRIG
    std::string level;  // NIVEL_ABREV
    std::string study;  // ESTUDIO
};

// Writes dir/NIVELEX.DBF (a dBase 7 table, for its long field names).
void WriteLevelCatalogue(const std::filesystem::path& dir, const std::vector<LevelCatalogueEntry>& entries);

}  // namespace vindeleo
