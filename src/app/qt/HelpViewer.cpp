#include "app/qt/HelpViewer.h"

#include <QDesktopServices>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QUrl>

#include "session/Paths.h"
#include "platform/FileNames.h"
#include "platform/PathText.h"

namespace vindeleo {

namespace fs = std::filesystem;

namespace {

// The file in dir of that name, or in any letter case; the name as given
// when there is none.
fs::path FoundIn(const fs::path& dir, const std::string& name) {
    return platform::ExistingSpelling(dir / PathFromText(name));
}

QUrl UrlOf(const fs::path& file) { return QUrl::fromLocalFile(QString::fromStdU16String(file.u16string())); }

// Whether the desktop has a program for the file's type: the default
// application that xdg-mime names for it (none when xdg-mime is missing,
// fails or takes too long).
bool DesktopHasHandlerFor(const QString& file) {
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty()) return false;
    const QString type = QMimeDatabase().mimeTypeForFile(file, QMimeDatabase::MatchExtension).name();
    QProcess query;
    query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), type});
    if (!query.waitForFinished(5000)) {
        query.kill();
        query.waitForFinished(1000);
        return false;
    }
    return query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0 &&
           !query.readAllStandardOutput().trimmed().isEmpty();
}

}  // namespace

bool HelpViewer::OpenWithDesktop(const QUrl& file) {
    const QString path = file.toLocalFile();
    if (path.endsWith(QStringLiteral(".chm"), Qt::CaseInsensitive) && !DesktopHasHandlerFor(path)) return false;
    return QDesktopServices::openUrl(file);
}

HelpViewer::HelpViewer(fs::path programDirectory, Opener opener)
    : programDirectory_(std::move(programDirectory)), opener_(std::move(opener)) {}

fs::path HelpViewer::HelpFilePath() const { return FoundIn(programDirectory_, helpFile_); }

fs::path HelpViewer::GuideIndexPath() const {
    return FoundIn(FoundIn(programDirectory_, kHelpGuideFolder), kHelpGuideIndex);
}

HelpViewer::Result HelpViewer::ShowContents() { return Open(); }

HelpViewer::Result HelpViewer::ShowContext(int) { return Open(); }

HelpViewer::Result HelpViewer::Open() {
    const fs::path file = HelpFilePath();
    std::error_code error;
    if (helpFile_.empty() || !fs::is_regular_file(file, error)) return Result::MissingFile;
    if (opener_(UrlOf(file))) return Result::Opened;
    const fs::path guide = GuideIndexPath();
    if (fs::is_regular_file(guide, error) && opener_(UrlOf(guide))) return Result::OpenedGuide;
    return Result::NoHandler;
}

}  // namespace vindeleo
