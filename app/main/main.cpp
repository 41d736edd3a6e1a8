#include "CommandLine.h"
#include "Console.h"
#include "CordalisApplication.h"
#include "GuiResources.h"
#include "GuiSeams.h"
#include "MessageBox.h"
#include "ProgramPaths.h"
#include "ProgramStart.h"
#include "TDM.h"
#include "TFicheCordalis.h"
#include "TFicheNativeXML.h"
#include "UnattendedRun.h"

#include <QCoreApplication>
#include <QFont>
#include <QStringList>
#include <csignal>
#include <cstdio>

namespace {

// The main window, on the one QApplication of the program.
int RunWindow(int argc, char** argv)
{
    CordalisApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Cordalis"));
    // The desktop entry's name, by which a Wayland desktop finds the window's icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(CORDALIS_APP_ID));
    // The forms were designed in Tahoma 8 pt; where Tahoma is missing the system's closest
    // sans-serif font stands in at the same size.
    QApplication::setFont(QFont(QStringLiteral("Tahoma"), 8));
    InstallMessageBoxHandler();
    try {
        // The installation is the executable's own folder, whatever the working directory.
        const QString warning = StartProgram(QCoreApplication::applicationDirPath());
        InitGuiResources();
        ApplyStyleSheet();
        if (!warning.isEmpty())
            ShowMessage(warning);

        TFicheCordalis ficheCordalis;
        TFicheNativeXML ficheNativeXml;
        TDM dm;
        ficheCordalis.show();
        app.exec();
    } catch (...) {
        CordalisApplication::ShowCurrentException();
    }
    return 0;
}

// A run without a window, on a QCoreApplication: no display is ever needed. Messages the
// window would show in a box go to the standard error.
int RunUnattended(int argc, char** argv, const CommandLine& commandLine)
{
    // A reader that went away (a closed pipe) must not kill the run half-way through its
    // sends: writes to it fail instead, and the run goes on.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Cordalis"));
    Console console;
    console.InstallAsMessageHandler();
    try {
        const QString warning = StartProgram(QCoreApplication::applicationDirPath());
        if (!warning.isEmpty())
            ShowMessage(warning);
        if (commandLine.command() == CommandLine::Command::Publier)
            return UnattendedRun::Publish(commandLine.Lignes(), console);
        return UnattendedRun::CheckReports(commandLine.Rapport(), console);
    } catch (...) {
        ShowCurrentException(ErreurSansTexte());
    }
    return UnattendedRun::Failed;
}

} // namespace

int main(int argc, char** argv)
{
    // Read before any application object: only the window may connect to a display.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine commandLine = CommandLine::Parse(arguments);

    switch (commandLine.command()) {
    case CommandLine::Command::Error:
        PrintText(stderr, commandLine.Message() + QLatin1Char('\n') +
                              (commandLine.ShowsUsage() ? CommandLine::UsageText() : QString()));
        return CommandLine::UsageError;
    case CommandLine::Command::Help:
        return PrintText(stdout, CommandLine::HelpText()) ? 0 : 1;
    case CommandLine::Command::Version: {
        QCoreApplication app(argc, argv);
        const ProgramPaths::Layout layout = ProgramPaths::Decide(
            QCoreApplication::applicationDirPath(), ProgramPaths::Environment::OfProcess());
        return PrintText(stdout, CommandLine::VersionText(layout)) ? 0 : 1;
    }
    case CommandLine::Command::Publier:
    case CommandLine::Command::Rapport:
        return RunUnattended(argc, argv, commandLine);
    case CommandLine::Command::Window:
        break;
    }
    return RunWindow(argc, argv);
}
