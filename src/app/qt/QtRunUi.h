#pragma once
// The run interface of the desktop window: Qt dialogs and message boxes.

#include <QWidget>

#include "app/RunUi.h"

namespace vindeleo {

class QtRunUi : public RunUi {
public:
    explicit QtRunUi(QWidget* window) : window_(window) {}

    std::optional<std::string> ChooseFile() override;
    void ShowMessage(const std::string& text) override;
    void ShowError(const std::string& text) override;
    std::string ChooseTemplate(TemplateChooser& chooser) override;
    void SetBusy(bool busy) override;
    void Close() override;

private:
    QWidget* window_;
};

}  // namespace vindeleo
