// The command line, read before any application object, and what --version tells about the
// installation; the regional formats the settings file chooses.

#include "CommandLine.h"
#include "ProgramStart.h"
#include "Regional.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using Command = CommandLine::Command;

namespace {

Command Parsed(const QStringList& arguments)
{
    return CommandLine::Parse(arguments).command();
}

QString ErrorOf(const QStringList& arguments)
{
    const CommandLine line = CommandLine::Parse(arguments);
    EXPECT_EQ(line.command(), Command::Error) << qPrintable(arguments.join(' '));
    EXPECT_FALSE(line.Message().contains('\n'));
    return line.Message();
}

} // namespace

TEST(CommandLine, CommandsAndQtsWindowOptions)
{
    EXPECT_EQ(Parsed({}), Command::Window);
    EXPECT_TRUE(CommandLine::Parse({}).NeedsDisplay());
    EXPECT_EQ(Parsed({"--help"}), Command::Help);
    EXPECT_EQ(Parsed({"-h"}), Command::Help);
    EXPECT_EQ(Parsed({"--version"}), Command::Version);
    EXPECT_FALSE(CommandLine::Parse({"--version"}).NeedsDisplay());
    EXPECT_FALSE(CommandLine::Parse({"--help"}).NeedsDisplay());
    // The first of the two is carried out.
    EXPECT_EQ(Parsed({"--version", "--help"}), Command::Version);
    EXPECT_EQ(Parsed({"-h", "--version"}), Command::Help);

    // Qt's own options are the window's business, with their values in either form; a
    // session manager restarting the program adds -session.
    EXPECT_EQ(Parsed({"-platform", "offscreen"}), Command::Window);
    EXPECT_EQ(Parsed({"--platform", "offscreen", "-style=fusion", "-reverse"}), Command::Window);
    EXPECT_EQ(Parsed({"-session", "10a2b3", "-display", ":1"}), Command::Window);
    EXPECT_EQ(Parsed({"--version", "-platform", "xcb"}), Command::Version);
    // The value of a Qt option is not read as an option of ours.
    EXPECT_EQ(Parsed({"-qwindowtitle", "--bogus"}), Command::Window);
}

TEST(CommandLine, RunsWithoutAWindowTakeTheirRowsAndOptions)
{
    CommandLine line = CommandLine::Parse({"--publier"});
    EXPECT_EQ(line.command(), Command::Publier);
    EXPECT_FALSE(line.NeedsDisplay());
    EXPECT_TRUE(line.Lignes().empty());
    // Each row once, in the order given.
    line = CommandLine::Parse({"--publier", "messages", "conditions", "messages"});
    EXPECT_EQ(line.Lignes(),
              (std::vector<JeuDonnees>{JeuDonnees::Message, JeuDonnees::RemiseAchat}));

    line = CommandLine::Parse({"--rapport"});
    EXPECT_EQ(line.command(), Command::Rapport);
    EXPECT_FALSE(line.NeedsDisplay());
    EXPECT_EQ(line.Rapport().Jours, 1);
    EXPECT_TRUE(line.Rapport().FichierCsv.isEmpty());
    line = CommandLine::Parse({"--csv=a b.csv", "--jours", "31", "--utf8", "--rapport"});
    EXPECT_EQ(line.command(), Command::Rapport);
    EXPECT_EQ(line.Rapport().Jours, 31);
    EXPECT_EQ(line.Rapport().FichierCsv, "a b.csv");
    EXPECT_EQ(line.Rapport().Encodage, CsvEncoding::Utf8);
    EXPECT_EQ(CommandLine::Parse({"--rapport", "--jours=1", "--csv", "r.csv"}).Rapport().Encodage,
              CsvEncoding::Windows1252);
    // Help before any run.
    EXPECT_EQ(Parsed({"--publier", "--help"}), Command::Help);
}

TEST(CommandLine, AnythingElseIsOneLineOfError)
{
    EXPECT_EQ(CommandLine::UsageError, 2);
    EXPECT_TRUE(ErrorOf({"--bogus"}).contains("option inconnue « --bogus »"));
    EXPECT_TRUE(ErrorOf({"-V"}).contains("« -V »"));
    EXPECT_TRUE(ErrorOf({"--help", "--bogus"}).contains("« --bogus »"));
    EXPECT_TRUE(ErrorOf({"Cordalis.ini"}).contains("argument inattendu « Cordalis.ini »"));
    EXPECT_TRUE(ErrorOf({"-"}).contains("« - »"));
    EXPECT_TRUE(ErrorOf({"--"}).contains("« -- »"));
    EXPECT_TRUE(ErrorOf({"-platform"}).contains("« -platform » attend une valeur"));
    EXPECT_TRUE(ErrorOf({"-reverse=oui"}).contains("« -reverse=oui »"));
    EXPECT_TRUE(ErrorOf({"--version=2"}).contains("« --version=2 »"));
    EXPECT_TRUE(ErrorOf({"--bogus"}).startsWith("cordalis : "));
    EXPECT_TRUE(ErrorOf({"--bogus"}).contains("cordalis --help"));
}

TEST(CommandLine, HelpNamesTheOptionsAndWhereFilesLive)
{
    const QString help = CommandLine::HelpText();
    EXPECT_TRUE(help.startsWith("Utilisation : cordalis [OPTION]\n"));
    EXPECT_TRUE(help.endsWith('\n'));
    for (const char* text :
         {"--help", "--version", "$XDG_CONFIG_HOME/Cordalis/Cordalis.ini",
          "$XDG_DATA_HOME/Cordalis/", "$XDG_CONFIG_DIRS", "/etc/xdg", "Regional"})
        EXPECT_TRUE(help.contains(QString::fromUtf8(text))) << text;
    for (const QString& line : help.split('\n'))
        EXPECT_LE(line.size(), 90) << qPrintable(line);
}

TEST(CommandLine, VersionTellsTheModeAndEveryFolder)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString base = root.path() + '/';

    // Portable, with its own settings file: a relative alias is taken from its folder.
    WriteFile(base + "copie/Cordalis.ini", "[Alias]\nQuillfenAdministration=tables\n"
                                           "[Cordalis]\nRegional=fr_CH\n");
    ProgramPaths::Layout layout =
        ProgramPaths::Decide(ProgramPaths::ExecutableFolder{base + "copie", true, true}, {});
    EXPECT_EQ(CommandLine::VersionText(layout),
              "Cordalis " CORDALIS_VERSION "\n"
              "Mode : portable (tout à côté du programme)\n"
              "Fichier de réglages : " +
                  base +
                  "copie/Cordalis.ini\n"
                  "Dossier des tables (alias QuillfenAdministration) : " +
                  base +
                  "copie/tables/\n"
                  "Dossier de préparation : " +
                  base +
                  "copie/preparer/\n"
                  "Rapports téléchargés : " +
                  base +
                  "copie/Rapport/\n"
                  "Formats régionaux : fr_CH\n");

    // Installed, before the first start: the preset it will start from.
    WriteFile(base + "etc/Cordalis/Cordalis.ini", "[Alias]\nQuillfenAdministration=/srv/tables\n"
                                                  "[Cordalis]\nRegional=tlh\n");
    const ProgramPaths::Environment environment{base + "home", {}, {}, base + "etc"};
    layout = ProgramPaths::Decide(ProgramPaths::ExecutableFolder{base + "usr", false, false},
                                  environment);
    const QString installed = CommandLine::VersionText(layout);
    EXPECT_TRUE(installed.contains("Mode : installé (dossiers de l'utilisateur)\n"));
    EXPECT_TRUE(installed.contains("Fichier de réglages : " + base +
                                   "home/.config/Cordalis/Cordalis.ini\n"
                                   "  (absent : le premier démarrage copiera " +
                                   base + "etc/Cordalis/Cordalis.ini)\n"))
        << qPrintable(installed);
    EXPECT_TRUE(installed.contains(": /srv/tables/\n"));
    EXPECT_TRUE(installed.contains("Dossier de préparation : " + base +
                                   "home/.local/share/Cordalis/preparer/\n"));
    EXPECT_TRUE(installed.contains("Rapports téléchargés : " + base +
                                   "home/.local/share/Cordalis/Rapport/\n"));
    EXPECT_TRUE(installed.endsWith(
        "Formats régionaux : fr_FR (la clé Regional « tlh » ne désigne aucun format connu)\n"));

    // Once the user has his own file, the preset no longer counts; without either, nothing.
    WriteFile(base + "home/.config/Cordalis/Cordalis.ini", "[Cordalis]\nMessage=1\n");
    EXPECT_FALSE(CommandLine::VersionText(layout).contains("absent"));
    EXPECT_TRUE(CommandLine::VersionText(layout).contains(
        ": " + base + "home/.local/share/Cordalis/QuillfenAdministration/\n"));
    ASSERT_TRUE(QFile::remove(base + "home/.config/Cordalis/Cordalis.ini"));
    ASSERT_TRUE(QFile::remove(base + "etc/Cordalis/Cordalis.ini"));
    layout = ProgramPaths::Decide(ProgramPaths::ExecutableFolder{base + "usr", false, false},
                                  environment);
    EXPECT_TRUE(CommandLine::VersionText(layout).contains("  (absent : aucun réglage)\n"));
}

TEST(StartProgram, TheSettingsChooseTheRegionalFormatsFrenchOtherwise)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString ini = root.filePath("Cordalis.ini");
    const auto chosen = [&ini](const QByteArray& value) {
        WriteFile(ini, "[cordalis]\nMessage=1\nregional = " + value + "\n");
        return ChooseRegional(ini);
    };

    EXPECT_EQ(ChooseRegional(root.filePath("absent.ini")).Locale.name(), "fr_FR");
    EXPECT_EQ(chosen("").Locale.name(), "fr_FR");
    EXPECT_EQ(chosen("fr_BE").Locale.name(), "fr_BE");
    EXPECT_EQ(chosen("de-CH").Locale.name(), "de_CH");
    EXPECT_EQ(chosen("fr").Locale.name(), "fr_FR");
    EXPECT_TRUE(chosen("fr_BE").UnknownName.isEmpty());
    // Names Qt would quietly turn into other formats are refused, French stays.
    for (const QByteArray& unknown :
         {QByteArray("C"), QByteArray("xx_YY"), QByteArray("fr_ZZ"), QByteArray("français")}) {
        const RegionalChoice choice = chosen(unknown);
        EXPECT_EQ(choice.Locale.name(), "fr_FR") << unknown.constData();
        EXPECT_EQ(choice.UnknownName, QString::fromUtf8(unknown));
    }
}

TEST(StartProgram, SetsThePathsAndTheFormatsAndTellsAnUnknownRegional)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString ini = folder.filePath("Cordalis.ini");
    WriteFile(ini, "[Cordalis]\nRegional=fr_BE\n");
    EXPECT_EQ(StartProgram(folder.path()), "");
    EXPECT_EQ(ProgramPaths::FichierIni(), ini);
    EXPECT_EQ(Regional::Locale().name(), "fr_BE");
    EXPECT_EQ(QLocale().name(), "fr_BE") << "Qt's dialogs show dates in the same formats";

    WriteFile(ini, "[Cordalis]\nRegional=Belgique\n");
    EXPECT_EQ(StartProgram(folder.path()),
              "La clé Regional de la section [Cordalis] vaut « Belgique », qui ne désigne aucun "
              "format régional connu : les formats français (fr_FR) sont utilisés.");
    EXPECT_EQ(Regional::Locale().name(), "fr_FR");
    Regional::ResetLocale();
    QLocale::setDefault(QLocale::c());
}
