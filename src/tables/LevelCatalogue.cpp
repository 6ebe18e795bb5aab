#include "tables/LevelCatalogue.h"

#include "tables/Layouts.h"
#include "tables/Table.h"

namespace vindeleo {

void WriteLevelCatalogue(const std::filesystem::path& dir, const std::vector<LevelCatalogueEntry>& entries) {
    Table catalogue(dir, layouts::Nivelex());
    catalogue.Create(DbfLevel::DBase7);
    catalogue.Open(true);
    const auto key = catalogue.Field("X_OFERTAMATRIG");
    const auto level = catalogue.Field("NIVEL_ABREV");
    const auto study = catalogue.Field("ESTUDIO");
    for (const auto& entry : entries) {
        catalogue.Append();
        catalogue.SetInteger(key, entry.key);
        catalogue.SetText(level, entry.level);
        catalogue.SetText(study, entry.study);
        catalogue.Post();
    }
    catalogue.Close();
}

}  // namespace vindeleo
