// The template chooser's logic: it reads its own copy of the exchange document
// and shows, for the code in its combo box, the template's name and dates and
// the labels of its time slots. Values are shown as they stand in the document.

#include "import/Plantihoras.h"

#include <filesystem>
#include <utility>

#include "document/XmlNames.h"
#include "platform/PathText.h"

namespace vindeleo {

std::string TrimControls(const std::string& text) {
    auto isControlOrBlank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isControlOrBlank(text[begin])) ++begin;
    while (end > begin && isControlOrBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

TemplateChooser::TemplateChooser(std::filesystem::path document) : documentFile_(std::move(document)) {}

void TemplateChooser::FormActivate() {
    // A file that does not load leaves the document empty: no rows anywhere.
    // The file name is Windows-1252 text, as the run keeps it.
    document_ = ExchangeDocument();
    document_.Load(documentFile_);

    const std::vector<Row> templates = document_.Rows(xml::kJornadasEscolares);
    if (templates.size() > 1) {
        comboItems_.clear();
        for (const Row& row : templates) comboItems_.push_back(row.Value(0));
    }
    if (!comboItems_.empty()) comboText_ = comboItems_.front();
    ComboBoxPlantillaChange(comboText_);
}

void TemplateChooser::ComboBoxPlantillaChange(const std::string& comboText) {
    comboText_ = comboText;

    const std::vector<Row> templates = document_.Rows(xml::kJornadasEscolares);
    labelNombre_ = labelPlanFec1_ = labelPlanFec2_ = "-";
    if (templates.size() > 1) {
        // Every row is visited: with a code given twice the last row shows.
        for (const Row& row : templates) {
            if (row.Value(0) != comboText_) continue;
            labelNombre_ = row.Value(1);
            labelPlanFec1_ = row.Value(2);
            labelPlanFec2_ = row.Value(3);
        }
    }

    const std::vector<Row> slots = document_.Rows(xml::kTramosHorarios);
    if (slots.size() > 1) {
        listBoxLines_.clear();
        for (const Row& row : slots)
            if (row.Value(4) == comboText_) listBoxLines_.push_back(row.Value(1));
    }
}

const std::string& TemplateChooser::Close() {
    chosenTemplate_ = TrimControls(comboText_);
    return chosenTemplate_;
}

}  // namespace vindeleo
