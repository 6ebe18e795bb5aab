#pragma once
// The help file SIRAVEL.chm beside the program, shown by Windows' HTML Help
// (hhctrl.ocx, loaded when first asked for). Where the control cannot be
// loaded, asking for help does nothing.

#include <windows.h>

#include <filesystem>

namespace vindeleo::win32 {

class HtmlHelp {
public:
    enum class Result { Opened, NoHandler, MissingFile };

    explicit HtmlHelp(std::filesystem::path programDirectory);

    // Where the help file is looked for (an existing file whose name differs
    // in letter case is the same file).
    std::filesystem::path HelpFilePath() const;

    // The help button: the table of contents.
    Result ShowContents(HWND caller);
    // F1: the topic of a help context.
    Result ShowContext(HWND caller, int context);
    // Closes every help window that this program opened, as it ends.
    void CloseAll();

private:
    Result Call(HWND caller, UINT command, DWORD_PTR data);

    std::filesystem::path programDirectory_;
    bool opened_ = false;
};

}  // namespace vindeleo::win32
