#pragma once
// The template chooser's logic, without a window: which template codes it
// lists, what it shows for the code in its combo box, and the code it returns.
// The desktop dialog shows it; the command line answers it with --template.
// Texts are Windows-1252, read untrimmed from the chooser's own copy of the
// exchange document.

#include <string>
#include <vector>

#include "document/ExchangeDocument.h"

namespace vindeleo {

class TemplateChooser {
public:
    explicit TemplateChooser(std::filesystem::path document);

    // Loads the document again, lists the template codes when there are two
    // or more templates, selects the first code and refreshes.
    void FormActivate();
    // The combo text changed (a pick or a keystroke): refreshes labels and list.
    void ComboBoxPlantillaChange(const std::string& comboText);
    // Continuar, or the close box: the combo text without leading and trailing
    // characters of code 32 or below.
    const std::string& Close();

    const std::vector<std::string>& ComboItems() const { return comboItems_; }
    const std::string& ComboText() const { return comboText_; }
    const std::string& LabelNombre() const { return labelNombre_; }
    const std::string& LabelPlanFec1() const { return labelPlanFec1_; }
    const std::string& LabelPlanFec2() const { return labelPlanFec2_; }
    const std::vector<std::string>& ListBoxLines() const { return listBoxLines_; }
    const std::string& ChosenTemplate() const { return chosenTemplate_; }

private:
    std::filesystem::path documentFile_;
    ExchangeDocument document_;
    std::vector<std::string> comboItems_;
    std::string comboText_;
    std::string labelNombre_ = "-";
    std::string labelPlanFec1_ = "-";
    std::string labelPlanFec2_ = "-";
    std::vector<std::string> listBoxLines_;
    std::string chosenTemplate_;
};

// The combo text trimmed of leading and trailing characters of code 32 or below.
std::string TrimControls(const std::string& text);

}  // namespace vindeleo
