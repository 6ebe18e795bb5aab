// vindeleo: the desktop program. Alone, it shows the main window from which
// the user runs either conversion; with the one word "copias", the window of
// the copies of the tables, to put back the tables of before an import or to
// check a document before importing it; started by the timetable program with an
// action word and a window handle, it sits inside that window, runs the
// conversion at once and leaves the result in Morvalen.ini.

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>
#include <clocale>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "session/CopiesSession.h"
#include "session/ModuleState.h"
#include "session/Paths.h"
#include "session/RunSupport.h"
#include "app/qt/QtRunUi.h"
#include "platform/Console.h"
#include "platform/Directories.h"
#include "app/qt/CopiesForm.h"
#include "app/qt/DialogRunner.h"
#include "app/qt/MainForm.h"
#include "app/qt/HelpViewer.h"
#include "text/Codepage.h"
#include "text/Messages.h"

namespace {

using namespace vindeleo;

// The last stop of an exception that the program's start or end lets
// through (the windows' handlers show their own): the error box, or standard
// error before there can be one.
int Failed() noexcept {
    try {
        const std::string text = CurrentErrorText();
        if (qApp) {
            QMessageBox box(QMessageBox::Critical, FromText(msg::kApplicationTitle), FromText(text), QMessageBox::Ok);
            box.setTextFormat(Qt::PlainText);
            box.exec();
        } else {
            std::cerr << Cp1252ToUtf8(text) << '\n';
        }
    } catch (...) {
    }
    return EXIT_FAILURE;
}

int Main(int argc, char** argv) {
    // The arguments as the host gave them, before Qt takes its own options out,
    // kept as the system's Windows-1252 texts.
    std::vector<std::string> arguments;
    for (const std::string& argument : platform::ProgramArguments(argc, argv)) arguments.push_back(Utf8To1252(argument));

    // Module initialisation: the help viewer registers itself.
    HelpViewer help(ProgramDirectory());

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    // The host's handle is an X11 window: host mode goes through X11 (unless
    // the platform is chosen explicitly).
    if (arguments.size() == 2 && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
#endif
    int qtArgc = argc;
    QApplication application(qtArgc, argv);
    try {
        // Qt takes the user's locale for everything; the conversions read and
        // write numbers the same way in both front ends, and only the date and
        // time of the exported document follow the user's settings.
        std::setlocale(LC_ALL, "C");
        std::setlocale(LC_TIME, "");

        // Qt's own dialogs (the file dialog's buttons) in the user's language,
        // where its translations are installed.
        QTranslator qtTexts;
        if (qtTexts.load(QLocale::system(), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QApplication::installTranslator(&qtTexts);

        help.SetHelpFile(kHelpFile);
        QApplication::setApplicationName(QString::fromLatin1(msg::kApplicationTitle));

        ModuleState state = ModuleState::Create();
        DialogRunner dialogs;
        int status = 0;
        if (AsksForCopiesWindow(arguments)) {
            // "vindeleo copias": the window of the copies of the tables instead.
            TCopiasForm copies(state, dialogs, help);
            QObject::connect(&copies, &TCopiasForm::Closed, &application, &QCoreApplication::quit,
                             Qt::QueuedConnection);
            copies.show();
            status = application.exec();
        } else {
            TMForm form(state, arguments, dialogs, help);
            QObject::connect(&form, &TMForm::Closed, &application, &QCoreApplication::quit, Qt::QueuedConnection);
            form.show();
            status = application.exec();
        }
        // The program ends here: a large school's document is left to the system
        // rather than taken apart node by node.
        (void)state.Document.release();
        return status;
    } catch (...) {
        return Failed();
    }
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Main(argc, argv);
    } catch (...) {
        return Failed();
    }
}
