#include "help/HelpViewer.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

#include "platform/FileNames.h"
#include "platform/PathText.h"

namespace vindeleo {

namespace fs = std::filesystem;

bool HelpViewer::OpenWithDesktop(const QUrl& file) { return QDesktopServices::openUrl(file); }

HelpViewer::HelpViewer(fs::path programDirectory, Opener opener)
    : programDirectory_(std::move(programDirectory)), opener_(std::move(opener)) {}

fs::path HelpViewer::HelpFilePath() const {
    std::error_code ignored;  // a directory that cannot be read holds no help to open
    const fs::path found = platform::FindFile(programDirectory_, helpFile_, ignored);
    return found.empty() ? programDirectory_ / PathFromText(helpFile_) : found;
}

HelpViewer::Result HelpViewer::ShowContents() { return Open(); }

HelpViewer::Result HelpViewer::ShowContext(int) { return Open(); }

HelpViewer::Result HelpViewer::Open() {
    const fs::path file = HelpFilePath();
    std::error_code error;
    if (helpFile_.empty() || !fs::is_regular_file(file, error)) return Result::MissingFile;
    const QUrl url = QUrl::fromLocalFile(QString::fromStdU16String(file.u16string()));
    return opener_(url) ? Result::Opened : Result::NoHandler;
}

}  // namespace vindeleo
