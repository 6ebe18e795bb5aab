#pragma once
// The help viewer: shows a compiled help file (".chm") that lies in the
// program directory, with the desktop's own handler for such files. Such a
// handler cannot be asked for a topic, so the table of contents and a help
// context both open the file. Where the desktop has no handler for it, the
// viewer opens the help guide's pages instead (the folder "ayuda" beside the
// program, its index page) with the desktop's handler for web pages.

#include <filesystem>
#include <functional>
#include <string>

class QUrl;

namespace vindeleo {

class HelpViewer {
public:
    // Opens a local file with the desktop's handler; false when there is none.
    using Opener = std::function<bool(const QUrl&)>;
    // The desktop's handler through Qt. A help file is handed over only when
    // the desktop has a program registered for its type (asked of xdg-mime):
    // otherwise Qt would hand it to any launcher it finds (xdg-open, a web
    // browser), which starts and then has nothing to show it with.
    static bool OpenWithDesktop(const QUrl& file);

    // Opened: the help file; OpenedGuide: the guide's index page, for lack of
    // a handler for the help file; NoHandler: neither could be opened.
    enum class Result { Opened, OpenedGuide, NoHandler, MissingFile };

    explicit HelpViewer(std::filesystem::path programDirectory, Opener opener = OpenWithDesktop);

    // The help file, named without a directory.
    void SetHelpFile(std::string name) { helpFile_ = std::move(name); }
    // Where the help file is looked for (an existing file whose name differs
    // in letter case is the same file).
    std::filesystem::path HelpFilePath() const;
    // The guide's index page, looked for the same way.
    std::filesystem::path GuideIndexPath() const;

    // The help button: the table of contents.
    Result ShowContents();
    // F1: the topic of a help context.
    Result ShowContext(int context);

private:
    Result Open();

    std::filesystem::path programDirectory_;
    Opener opener_;
    std::string helpFile_;
};

}  // namespace vindeleo
