// What the program does with dates and numbers, run under whatever locale the session gives:
// the program's start in a folder of its own (its settings name the tables), the four
// "Générer" actions, and the judging of the franchisees' reports and histories as the report
// window and the history window judge them. Writes into the folder:
//
//   preparer/*.xml   the exports
//   verdicts.txt     one line per report and number of days, one per history run
//
// Usage: regional_probe FOLDER TABLES REPORTS

#include "AliasFolder.h"
#include "Errors.h"
#include "Exports.h"
#include "LigneHistorique.h"
#include "ProgramPaths.h"
#include "ProgramStart.h"
#include "RegleRapport.h"
#include "TNativeXmlQLF.h"
#include "TablesSiege.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace {

QString Line(const QStringList& fields)
{
    return fields.join(QLatin1Char('|')).replace(QLatin1Char('\n'), QLatin1String("\\n")) +
           QLatin1Char('\n');
}

QStringList XmlFiles(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fputs("usage: regional_probe FOLDER TABLES REPORTS\n", stderr);
        return 2;
    }
    const QString folder = args[1], tables = args[2], reports = args[3] + QLatin1Char('/');
    try {
        QDir().mkpath(folder);
        QFile ini(folder + QStringLiteral("/Cordalis.ini"));
        if (!ini.open(QIODevice::WriteOnly))
            throw CordalisError(ini.errorString());
        ini.write("[Alias]\nQuillfenAdministration=" + tables.toUtf8() + '\n');
        ini.close();

        StartProgram(folder);
        QDir().mkpath(ProgramPaths::DossierPreparation());
        TablesSiege siege(AliasFolder(ProgramPaths::FichierIni(), ProgramPaths::DataFolder()));
        const ContexteExport contexte{ProgramPaths::DossierPreparation(),
                                      ProgramPaths::FichierIni(), siege.PourExport(), &app};
        VueGenerationMuette view;
        for (const ActionGeneration action :
             {GenererRemiseAchat, GenererPersonnalisation, GenererMessages, GenererDocuments})
            action(contexte, view);

        QString verdicts;
        for (const QString& name : XmlFiles(reports)) {
            TNativeXmlQLF document(QStringLiteral("Velmora"), &app);
            try {
                document.LoadFromFile(reports + name);
            } catch (const XmlError& e) {
                // The demo holds a broken report on purpose: the list shows it in red.
                verdicts += Line({name, QStringLiteral("illisible"), e.text()});
                continue;
            }
            const QDateTime fileDate = QFileInfo(reports + name).lastModified();
            for (const int days : {0, 2, 5}) {
                try {
                    const RegleRapport::Verdict verdict =
                        RegleRapport::JugerRapport(document.Root(), fileDate, days);
                    verdicts +=
                        Line({name, QString::number(days),
                              verdict.EnAnomalie ? QStringLiteral("rouge") : QStringLiteral("vert"),
                              verdict.Texte});
                } catch (const CordalisError& e) {
                    verdicts +=
                        Line({name, QString::number(days), QStringLiteral("erreur"), e.text()});
                }
            }
        }
        const QString histories = reports + QStringLiteral("Historique/");
        for (const QString& name : XmlFiles(histories)) {
            TNativeXmlQLF document(QStringLiteral("Velmora"), &app);
            std::vector<LigneHistorique> lines;
            try {
                document.LoadFromFile(histories + name);
                LireHistorique(document, lines);
            } catch (const CordalisError& e) {
                verdicts += Line({name, QStringLiteral("erreur"), e.text()});
            }
            for (const LigneHistorique& line : lines)
                verdicts +=
                    Line({name, line.Date,
                          line.EnAnomalie ? QStringLiteral("rouge") : QStringLiteral("vert"),
                          line.Texte});
        }
        QFile out(folder + QStringLiteral("/verdicts.txt"));
        if (!out.open(QIODevice::WriteOnly) || out.write(verdicts.toUtf8()) < 0)
            throw CordalisError(out.errorString());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "regional_probe: %s\n", e.what());
        return 1;
    }
    return 0;
}
