#include "CommandLine.h"

#include "AliasFolder.h"
#include "ProgramStart.h"

#include <QDir>

namespace {

// Qt's options for a window, as its application object and the X11 platform read them:
// name (given with one dash or two) and whether a value follows.
struct QtOption
{
    const char* name;
    bool takesValue;
};
constexpr QtOption QtOptions[] = {
    {"platform", true},
    {"platformpluginpath", true},
    {"platformtheme", true},
    {"plugin", true},
    {"qwindowgeometry", true},
    {"geometry", true},
    {"qwindowtitle", true},
    {"title", true},
    {"qwindowicon", true},
    {"icon", true},
    {"session", true},
    {"style", true},
    {"stylesheet", true},
    {"display", true},
    {"name", true},
    {"reverse", false},
    {"widgetcount", false},
    {"sync", false},
    {"nograb", false},
    {"dograb", false},
};

// The Qt option an argument names, and whether it carries its value ("-style=fusion").
const QtOption* FindQtOption(const QString& argument, bool& valueAttached)
{
    QStringView name(argument);
    if (name.startsWith(QLatin1String("--")))
        name = name.mid(2);
    else if (name.startsWith(QLatin1Char('-')))
        name = name.mid(1);
    else
        return nullptr;
    const qsizetype equals = name.indexOf(QLatin1Char('='));
    valueAttached = equals >= 0;
    if (valueAttached)
        name = name.left(equals);
    for (const QtOption& option : QtOptions) {
        if (name == QLatin1String(option.name))
            return valueAttached && !option.takesValue ? nullptr : &option;
    }
    return nullptr;
}

QString ErrorLine(const QString& problem)
{
    return QStringLiteral("cordalis : %1 (cordalis --help donne les options)").arg(problem);
}

QString Native(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

CommandLine CommandLine::Parse(const QStringList& arguments)
{
    CommandLine line;
    const auto choose = [&line](Command command) {
        // The first of --help and --version given is the one carried out.
        if (line.command_ == Command::Window)
            line.command_ = command;
    };
    const auto fail = [&line](const QString& problem) {
        line.command_ = Command::Error;
        line.message_ = ErrorLine(problem);
        return line;
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            choose(Command::Help);
            continue;
        }
        if (argument == QLatin1String("--version")) {
            choose(Command::Version);
            continue;
        }
        bool valueAttached = false;
        if (const QtOption* option = FindQtOption(argument, valueAttached)) {
            if (option->takesValue && !valueAttached && ++i >= arguments.size())
                return fail(QStringLiteral("l'option « %1 » attend une valeur").arg(argument));
            continue;
        }
        if (argument.startsWith(QLatin1Char('-')) && argument.size() > 1)
            return fail(QStringLiteral("option inconnue « %1 »").arg(argument));
        return fail(QStringLiteral("argument inattendu « %1 »").arg(argument));
    }
    return line;
}

QString CommandLine::HelpText()
{
    return QStringLiteral(
        "Utilisation : cordalis [OPTION]\n"
        "L'outil de la tête de réseau : exports XML des tables (« Générer »), envoi aux\n"
        "franchisés (« Envoyer »), rapports de mise à jour des franchisés (« Rapport »).\n"
        "Sans option, ouvre la fenêtre principale.\n"
        "\n"
        "Options :\n"
        "  -h, --help     affiche cette aide et quitte\n"
        "      --version  affiche la version, le mode d'installation et les dossiers utilisés,\n"
        "                 puis quitte\n"
        "Les options de Qt pour la fenêtre (-platform, -style, -display...) sont acceptées.\n"
        "\n"
        "Fichiers :\n"
        "  Installation portable, quand le dossier du programme contient Cordalis.ini ou que\n"
        "  l'utilisateur peut y écrire : tout se trouve à côté du programme (Cordalis.ini,\n"
        "  preparer/, Rapport/, QuillfenAdministration/).\n"
        "  Installation système, sinon : les réglages dans\n"
        "  $XDG_CONFIG_HOME/Cordalis/Cordalis.ini (~/.config/Cordalis/), le reste dans\n"
        "  $XDG_DATA_HOME/Cordalis/ (~/.local/share/Cordalis/). Au premier démarrage d'un\n"
        "  utilisateur sans réglages, le fichier Cordalis/Cordalis.ini d'un dossier de\n"
        "  $XDG_CONFIG_DIRS (/etc/xdg) devient son fichier de réglages.\n"
        "\n"
        "Formats régionaux : français (fr_FR) quelle que soit la langue de la session ; la clé\n"
        "Regional de la section [Cordalis] en choisit d'autres (par exemple fr_BE, fr_CH).\n");
}

QString CommandLine::VersionText(const ProgramPaths::Layout& layout)
{
    const bool installed = layout.Mode == ProgramPaths::InstallMode::Installed;
    QString text = QStringLiteral("Cordalis " CORDALIS_VERSION "\n");
    text += installed ? QStringLiteral("Mode : installé (dossiers de l'utilisateur)\n")
                      : QStringLiteral("Mode : portable (tout à côté du programme)\n");
    text += QStringLiteral("Fichier de réglages : %1\n").arg(Native(layout.FichierIni));

    const QString source = SettingsSource(layout);
    if (source.isEmpty())
        text += QStringLiteral("  (absent : aucun réglage)\n");
    else if (source != layout.FichierIni)
        text +=
            QStringLiteral("  (absent : le premier démarrage copiera %1)\n").arg(Native(source));

    text += QStringLiteral("Dossier des tables (alias QuillfenAdministration) : %1\n")
                .arg(Native(AliasFolder(source, layout.DataFolder)));
    text += QStringLiteral("Dossier de préparation : %1\n").arg(Native(layout.DossierPreparation));
    text += QStringLiteral("Rapports téléchargés : %1\n").arg(Native(layout.RepertoireRapport));

    const RegionalChoice regional = ChooseRegional(source);
    text += QStringLiteral("Formats régionaux : %1").arg(regional.Locale.name());
    if (!regional.UnknownName.isEmpty())
        text += QStringLiteral(" (la clé Regional « %1 » ne désigne aucun format connu)")
                    .arg(regional.UnknownName);
    return text + QLatin1Char('\n');
}
