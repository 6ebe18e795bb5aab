// vindeleo.exe: the desktop program on Windows. Alone, it shows the main
// window from which the user runs either conversion; with the one word
// "copias" (the Start menu's second entry), the window of the copies of the
// tables; started by the timetable
// program with an action word and one of its window handles, it sits inside
// that window, runs the conversion at once and leaves the result in
// Morvalen.ini.

#include <windows.h>

#include <clocale>
#include <cstdlib>
#include <string>
#include <vector>

#include "session/CopiesSession.h"
#include "session/ModuleState.h"
#include "app/win32/CopiesForm.h"
#include "app/win32/ErrorBox.h"
#include "app/win32/HtmlHelp.h"
#include "app/win32/MainForm.h"
#include "platform/Console.h"
#include "platform/Directories.h"
#include "text/Codepage.h"

namespace {

using namespace vindeleo;

int Main(int argc, char** argv) {
    // The arguments as the host gave them, read as UTF-16 and kept as the
    // system's Windows-1252 texts.
    std::vector<std::string> arguments;
    for (const std::string& argument : platform::ProgramArguments(argc, argv)) arguments.push_back(Utf8To1252(argument));

    // The conversions read and write numbers the same way in every front end.
    std::setlocale(LC_ALL, "C");

    win32::HtmlHelp help(ProgramDirectory());
    ModuleState state = ModuleState::Create();
    int status = 0;
    if (AsksForCopiesWindow(arguments)) {
        // "vindeleo.exe copias": the window of the copies of the tables instead.
        win32::TCopiasForm copies(state, help);
        status = copies.Run();
    } else {
        win32::TMForm form(state, arguments, help);
        status = form.Run();
    }
    // The program ends here: a large school's document is left to the system
    // rather than taken apart node by node.
    (void)state.Document.release();
    return status;
}

}  // namespace

// The windows' handlers show their own failures; what the program's start
// lets through is shown here, in the error box, and ends it.
int main(int argc, char** argv) {
    try {
        return Main(argc, argv);
    } catch (...) {
        win32::ShowCurrentErrorBox(nullptr);
        return EXIT_FAILURE;
    }
}
