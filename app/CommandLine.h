#pragma once

#include "ActionsEnvoi.h"
#include "ProgramPaths.h"
#include "RapportAutomatique.h"

#include <QString>
#include <QStringList>
#include <vector>

// The program's command line, read before any application object exists: a command that
// prints and exits, or that works without a display, must never create a GUI application
// (under a timer or over ssh there is no display to connect to). Only the window needs a
// QApplication; every other command runs on a QCoreApplication at most.
//
//   cordalis                 the main window
//   cordalis -h | --help     the usage
//   cordalis --version       the version, the mode and every folder in use
//   cordalis --publier [LIGNE ...]
//                            "Générer" then "Envoyer" of the rows, without a window
//   cordalis --rapport [--jours N] [--csv FILE [--utf8]]
//                            one report pass, without a window
//
// Qt's own options for the window (-platform offscreen, -style NAME, -display :1, the
// -session ID a desktop session manager adds, ...) are accepted and left to the window's
// application object, which reads them from the original arguments.
class CommandLine
{
public:
    enum class Command
    {
        Window,
        Help,
        Version,
        Publier,
        Rapport,
        Error, // an unknown option or an unexpected argument: Message() says which
    };

    // The exit code of a command line that cannot be understood.
    static constexpr int UsageError = 2;

    // The arguments after the program's name.
    static CommandLine Parse(const QStringList& arguments);

    Command command() const { return command_; }
    bool NeedsDisplay() const { return command_ == Command::Window; }
    // For Command::Error: one line in French, without its line end.
    QString Message() const { return message_; }
    // For Command::Error: whether the usage of the runs without a window follows the message
    // (the command line asked for one of them).
    bool ShowsUsage() const { return showsUsage_; }

    // For Command::Publier: the rows named, each once (they are published in the order of
    // the window's rows); empty for every enabled row.
    const std::vector<JeuDonnees>& Lignes() const { return lignes_; }
    // For Command::Rapport.
    const OptionsRapport& Rapport() const { return rapport_; }

    // The text of --help and of --version, each ending with a line end.
    static QString HelpText();
    static QString VersionText(const ProgramPaths::Layout& layout);
    // The short usage of the runs without a window, ending with a line end.
    static QString UsageText();

private:
    Command command_ = Command::Window;
    QString message_;
    bool showsUsage_ = false;
    std::vector<JeuDonnees> lignes_;
    OptionsRapport rapport_;
};
