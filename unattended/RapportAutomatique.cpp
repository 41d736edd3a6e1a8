#include "RapportAutomatique.h"

#include "RegleRapport.h"

#include "Console.h"
#include "Errors.h"
#include "MessageBox.h"

#include <QDir>
#include <algorithm>

RapportAutomatique::RapportAutomatique(SessionRapport& session, Console& console)
    : session_(session), console_(console)
{
}

QString RapportAutomatique::Etat(const EntreeRapport& entree)
{
    return RegleRapport::TexteEtat(entree.EnAnomalie);
}

std::vector<QStringList>
RapportAutomatique::Enregistrements(const std::vector<EntreeRapport>& entrees)
{
    std::vector<QStringList> enregistrements;
    enregistrements.reserve(entrees.size());
    for (const EntreeRapport& entree : entrees)
        enregistrements.push_back({entree.Nom, Etat(entree), entree.Texte});
    return enregistrements;
}

bool RapportAutomatique::Executer(const OptionsRapport& options)
{
    console_.Step(QStringLiteral("Rapport : passe sur les rapports des franchisés, %1 jour(s) "
                                 "de retard admis")
                      .arg(options.Jours));
    std::vector<EntreeRapport> entrees;
    const auto ajouter = [&](const EntreeRapport& entree) {
        entrees.push_back(entree);
        console_.Step(entree.Nom + QStringLiteral(" : ") + Etat(entree));
        if (!entree.EnAnomalie)
            return;
        for (const QString& ligne : entree.Texte.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            console_.Detail(ligne);
    };

    bool complete = false;
    try {
        complete = session_.ChargerRapports(options.Jours, ajouter);
    } catch (...) {
        // The window shows an error of the pass in a box, keeping what was listed.
        ShowCurrentException(ErreurSansTexte());
    }
    if (!complete) {
        // An incomplete list written as the CSV would pass for the whole network's.
        console_.Step(QStringLiteral("Rapport en échec après %1 franchisé(s)%2")
                          .arg(entrees.size())
                          .arg(options.FichierCsv.isEmpty() ? QString()
                                                            : QStringLiteral(", aucun CSV écrit")));
        return false;
    }

    const auto enAnomalie = std::count_if(entrees.begin(), entrees.end(),
                                          [](const EntreeRapport& e) { return e.EnAnomalie; });
    console_.Step(QStringLiteral("Rapport terminé : %1 franchisé(s), %2 en ordre, %3 en anomalie")
                      .arg(entrees.size())
                      .arg(qsizetype(entrees.size()) - enAnomalie)
                      .arg(enAnomalie));
    if (options.FichierCsv.isEmpty())
        return true;
    try {
        WriteCsvFile(options.FichierCsv, CsvText(Enregistrements(entrees), options.Encodage));
    } catch (const CordalisError& e) {
        ShowMessage(e.text());
        console_.Step(QStringLiteral("Rapport : CSV non écrit"));
        return false;
    }
    console_.Step(QStringLiteral("Rapport : CSV écrit dans %1 (%2)")
                      .arg(QDir::toNativeSeparators(options.FichierCsv),
                           options.Encodage == CsvEncoding::Utf8 ? QStringLiteral("UTF-8")
                                                                 : QStringLiteral("windows-1252")));
    return true;
}
