// vindeleo-cli: the runs without windows, for batch use, scripts and tests.
//
//   vindeleo-cli import DOCUMENT [--template CODE]
//   vindeleo-cli export DOCUMENT
//   vindeleo-cli restore [COPY]
//   vindeleo-cli check DOCUMENT [--template CODE]
//
// Messages go to standard output, the error box's text to standard error, both
// in UTF-8. Exit status: 0 finished, 1 stopped with a message, 2 an error ended
// the run, 64 a command line that is not understood. A check that runs through
// prints its report and ends with 0, whatever the report says.

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "session/ModuleState.h"
#include "session/RunSupport.h"
#include "session/RunUi.h"
#include "export/ExportRun.h"
#include "import/ImportCheck.h"
#include "import/ImportRun.h"
#include "import/Plantihoras.h"
#include "import/RestoreRun.h"
#include "platform/Console.h"
#include "text/Codepage.h"
#include "text/Error.h"

namespace {

using namespace vindeleo;

constexpr int kExitFinished = 0;
constexpr int kExitStopped = 1;
constexpr int kExitError = 2;
constexpr int kExitUsage = 64;

constexpr const char* kUsage =
    "Uso: vindeleo-cli import DOCUMENTO [--template CODIGO]\n"
    "     vindeleo-cli export DOCUMENTO\n"
    "     vindeleo-cli restore [COPIA]\n"
    "     vindeleo-cli check DOCUMENTO [--template CODIGO]\n"
    "  import   reconstruye las tablas de trabajo a partir del documento de intercambio\n"
    "  export   escribe los horarios calculados en ResultadoTuvane<DOCUMENTO>, junto al documento\n"
    "  restore  sin COPIA, lista las copias de las tablas que guarda cada importaci\u00f3n (COPIAS, en la\n"
    "           carpeta de trabajo); con COPIA, vuelve a poner las tablas de esa copia\n"
    "  check    hace la importaci\u00f3n en una carpeta temporal sin tocar las tablas de trabajo y dice qu\u00e9\n"
    "           har\u00eda: registros de cada tabla, c\u00f3digos cambiados, materias que no llegan a ning\u00fan grupo...\n"
    "  --template CODIGO   plantilla horaria que se aplica cuando el documento trae varias (import, check)\n";

struct Command {
    std::string action;
    std::string document;  // the document; for restore, the copy's label (none: list the copies)
    std::optional<std::string> templateCode;
};

// "restore" and at most one copy's label.
std::optional<Command> ParseRestore(const std::vector<std::string>& args) {
    if (args.size() > 2 || (args.size() == 2 && args[1].starts_with("--"))) return std::nullopt;
    return Command{args[0], args.size() == 2 ? args[1] : std::string(), std::nullopt};
}

// "import" or "check", one document and at most one "--template CODE", the
// option before or after the document; "export" and one document; or a
// restore.
std::optional<Command> ParseCommandLine(const std::vector<std::string>& args) {
    if (!args.empty() && args[0] == "restore") return ParseRestore(args);
    if (args.empty() || (args[0] != "import" && args[0] != "export" && args[0] != "check")) return std::nullopt;
    const bool takesTemplate = args[0] == "import" || args[0] == "check";
    Command command{args[0], {}, std::nullopt};
    bool haveDocument = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--template" && takesTemplate) {
            if (i + 1 >= args.size() || command.templateCode) return std::nullopt;
            command.templateCode = args[++i];
        } else if (!haveDocument && !args[i].starts_with("--")) {
            command.document = args[i];
            haveDocument = true;
        } else {
            return std::nullopt;
        }
    }
    if (!haveDocument) return std::nullopt;
    return command;
}

// The error box's text, on standard error.
void PrintError(const std::string& text) { std::cerr << Cp1252ToUtf8(text) << '\n' << std::flush; }

// Answers the run's questions from the command line and prints what a window
// would show.
class ConsoleUi : public RunUi {
public:
    explicit ConsoleUi(const Command& command) : command_(command) {}

    std::optional<std::filesystem::path> ChooseFile() override { return platform::ArgumentPath(command_.document); }
    void ShowMessage(const std::string& text) override {
        std::cout << Cp1252ToUtf8(text) << '\n' << std::flush;
    }
    void ShowError(const std::string& text) override { PrintError(text); }
    // The answer is the code given on the command line, trimmed as the dialog
    // trims it; without one, the code that the dialog selects first.
    std::string ChooseTemplate(TemplateChooser& chooser) override {
        if (command_.templateCode) return TrimControls(Utf8To1252(*command_.templateCode));
        chooser.FormActivate();
        return chooser.Close();
    }
    void SetBusy(bool) override {}
    void Close() override {}

private:
    const Command& command_;
};

// The check's report, a line each, in UTF-8 like every message.
void PrintLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += Cp1252ToUtf8(line);
        text += '\n';
    }
    std::cout << text << std::flush;
}

}  // namespace

// Ends the process without taking the document and the lists apart piece by
// piece: on a large school that teardown costs as much as a conversion step.
[[noreturn]] void Exit(int status) {
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::_Exit(status);
}

namespace {

int Main(int argc, char** argv) {
    platform::PrepareConsole();
    const auto command = ParseCommandLine(platform::ProgramArguments(argc, argv));
    if (!command) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    std::setlocale(LC_TIME, "");  // the regional date and time of the result document
    ModuleState state = ModuleState::Create();
    ConsoleUi ui(*command);
    try {
        if (command->action == "check") {
            // The report, whatever it says, or the stop of a document that
            // the import would refuse.
            const auto report = RunCheck(state, ui);
            if (!report) Exit(kExitStopped);
            PrintLines(*report);
            Exit(kExitFinished);
        }
        if (command->action == "import")
            RunImport(state, ui);
        else if (command->action == "export")
            RunExport(state, ui);
        else if (command->document.empty())
            RunListCopies(state, ui);
        else
            RunRestore(state, ui, Utf8To1252(command->document));
    } catch (...) {
        // Ended here, the document still whole (see Exit).
        ShowCurrentError(ui);
        Exit(kExitError);
    }
    Exit(state.ResultCode == 1 ? kExitFinished : kExitStopped);
}

}  // namespace

// No exception leaves the program: one met before a run starts (reading the
// command line, finding the directories) ends it as an error does.
int main(int argc, char** argv) {
    try {
        return Main(argc, argv);
    } catch (...) {
        try {
            PrintError(CurrentErrorText());
        } catch (...) {
        }
        Exit(kExitError);
    }
}
