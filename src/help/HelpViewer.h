#pragma once
// The help viewer: shows a compiled help file (".chm") that lies in the
// program directory, with the desktop's own handler for such files. Such a
// handler cannot be asked for a topic, so the table of contents and a help
// context both open the file.

#include <filesystem>
#include <functional>
#include <string>

class QUrl;

namespace vindeleo {

class HelpViewer {
public:
    // Opens a local file with the desktop's handler; false when there is none.
    using Opener = std::function<bool(const QUrl&)>;
    static bool OpenWithDesktop(const QUrl& file);

    enum class Result { Opened, NoHandler, MissingFile };

    explicit HelpViewer(std::filesystem::path programDirectory, Opener opener = OpenWithDesktop);

    // The help file, named without a directory.
    void SetHelpFile(std::string name) { helpFile_ = std::move(name); }
    // Where the help file is looked for (an existing file whose name differs
    // in letter case is the same file).
    std::filesystem::path HelpFilePath() const;

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
