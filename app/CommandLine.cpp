#include "CommandLine.h"

#include "AliasFolder.h"
#include "ProgramStart.h"
#include "PublicationAutomatique.h"

#include <QDir>
#include <algorithm>

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
    // The first of --help and --version given is the one carried out, before any run.
    Command asked = Command::Window;
    bool publier = false, rapport = false, jours = false, csv = false, utf8 = false;
    const auto fail = [&](const QString& problem) {
        line.command_ = Command::Error;
        line.message_ = ErrorLine(problem);
        line.showsUsage_ = publier || rapport || jours || csv || utf8;
        return line;
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            if (asked == Command::Window)
                asked = Command::Help;
            continue;
        }
        if (argument == QLatin1String("--version")) {
            if (asked == Command::Window)
                asked = Command::Version;
            continue;
        }
        if (argument == QLatin1String("--publier")) {
            publier = true;
            continue;
        }
        if (argument == QLatin1String("--rapport")) {
            rapport = true;
            continue;
        }
        if (argument == QLatin1String("--utf8")) {
            utf8 = true;
            continue;
        }
        // The options of --rapport that take a value, given as "--jours 2" or "--jours=2".
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        const QString name = equals < 0 ? argument : argument.left(equals);
        if (name == QLatin1String("--jours") || name == QLatin1String("--csv")) {
            QString value;
            if (equals >= 0) {
                value = argument.mid(equals + 1);
            } else {
                // A following option is not taken for a value ("--csv --utf8").
                if (i + 1 >= arguments.size() || arguments.at(i + 1).startsWith(QLatin1Char('-')))
                    return fail(QStringLiteral("l'option « %1 » attend une valeur").arg(name));
                value = arguments.at(++i);
            }
            if (name == QLatin1String("--jours")) {
                jours = true;
                bool ok = false;
                const int count = value.toInt(&ok);
                if (!ok || count < OptionsRapport::JoursMin || count > OptionsRapport::JoursMax)
                    return fail(QStringLiteral("--jours attend un nombre entier de %1 à %2, "
                                               "pas « %3 »")
                                    .arg(OptionsRapport::JoursMin)
                                    .arg(OptionsRapport::JoursMax)
                                    .arg(value));
                line.rapport_.Jours = count;
            } else {
                csv = true;
                if (value.isEmpty())
                    return fail(QStringLiteral("l'option « --csv » attend un nom de fichier"));
                line.rapport_.FichierCsv = value;
            }
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
        if (publier) {
            const std::optional<JeuDonnees> jeu = JeuNomme(argument);
            if (!jeu)
                return fail(QStringLiteral("ligne inconnue « %1 » (lignes : %2)")
                                .arg(argument, NomsJeux().join(QStringLiteral(", "))));
            if (std::find(line.lignes_.begin(), line.lignes_.end(), *jeu) == line.lignes_.end())
                line.lignes_.push_back(*jeu);
            continue;
        }
        return fail(QStringLiteral("argument inattendu « %1 »").arg(argument));
    }

    if (publier && rapport)
        return fail(QStringLiteral("--publier et --rapport ne vont pas ensemble"));
    if ((jours || csv) && !rapport)
        return fail(QStringLiteral("l'option « %1 » ne va qu'avec --rapport")
                        .arg(jours ? QStringLiteral("--jours") : QStringLiteral("--csv")));
    if (utf8 && !csv)
        return fail(QStringLiteral("l'option « --utf8 » ne va qu'avec --csv"));
    if (utf8)
        line.rapport_.Encodage = CsvEncoding::Utf8;

    if (asked != Command::Window)
        line.command_ = asked;
    else if (publier)
        line.command_ = Command::Publier;
    else if (rapport)
        line.command_ = Command::Rapport;
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
        "Sans fenêtre (minuterie, cron, script ; aucun affichage n'est nécessaire) :\n"
        "      --publier [LIGNE...]\n"
        "                 « Générer » puis « Envoyer » de chaque ligne activée dans les\n"
        "                 réglages, ou des seules lignes nommées : conditions,\n"
        "                 personnalisation, messages, documents ; l'échec d'une ligne\n"
        "                 n'arrête pas les suivantes.\n"
        "                 Exemple : cordalis --publier messages documents\n"
        "      --rapport  une passe sur les rapports des franchisés, comme la fenêtre\n"
        "                 « Rapport » : une ligne par franchisé, « en ordre » ou\n"
        "                 « en anomalie », le détail des franchisés en anomalie en dessous.\n"
        "                 Exemple : cordalis --rapport\n"
        "      --jours N  avec --rapport : jours de retard admis, de 1 à 31 (1 par défaut).\n"
        "                 Exemple : cordalis --rapport --jours 3\n"
        "      --csv FICHIER\n"
        "                 avec --rapport : écrit aussi la liste en CSV (nom;état;détail;),\n"
        "                 en windows-1252 comme l'historique.\n"
        "                 Exemple : cordalis --rapport --csv ~/rapport.csv\n"
        "      --utf8     avec --csv : écrit le CSV en UTF-8.\n"
        "                 Exemple : cordalis --rapport --csv ~/rapport.csv --utf8\n"
        "Chaque étape s'écrit sur la sortie standard, chaque message d'erreur sur la sortie\n"
        "d'erreur, une ligne chacun, précédée de la date et de l'heure. Codes de sortie : 0 tout\n"
        "est fait, 1 une étape a échoué (les lignes disent laquelle), 2 ligne de commande\n"
        "incorrecte, 3 une autre exécution sans fenêtre de la même installation est en cours.\n"
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

QString CommandLine::UsageText()
{
    return QStringLiteral("Utilisation : cordalis --publier [LIGNE...]\n"
                          "              cordalis --rapport [--jours N] [--csv FICHIER [--utf8]]\n"
                          "Lignes : conditions, personnalisation, messages, documents.\n");
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
