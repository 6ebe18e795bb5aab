#include "tables/LevelCatalogue.h"

#include "tables/Layouts.h"
#include "tables/Table.h"

namespace vindeleo {

void WriteLevelCatalogue(const std::filesystem::path& dir, const std::vector<LevelCatalogueEntry>& entries) {
    Table catalogue(dir, tables::kNivelex);
    catalogue.Create(layouts::Nivelex(), DbfLevel::DBase7);
    catalogue.Open(true);
    for (const auto& entry : entries) {
        catalogue.Append();
        catalogue.SetInteger("X_OFERTAMATRIG", entry.key);
        catalogue.SetText("NIVEL_ABREV", entry.level);
        catalogue.SetText("ESTUDIO", entry.study);
        catalogue.Post();
    }
    catalogue.Close();
}

}  // namespace vindeleo
