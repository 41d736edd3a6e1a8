#include "LigneHistorique.h"

#include "CsvFile.h"
#include "Regional.h"
#include "RegleRapport.h"
#include "TNativeXmlQLF.h"

void LireHistorique(const TNativeXmlQLF& document, std::vector<LigneHistorique>& lignes)
{
    const TXMLNodeQLF* racine = document.Root();
    if (!racine)
        return;
    TXMLNodeListQLF items;
    racine->ChildrenByName(QStringLiteral("Item"), items);
    for (int i = 0; i < items.Count(); ++i) {
        const TXMLNodeQLF* item = items.NodeAt(i);
        const QString texteDate = item->ReadAttribute(QStringLiteral("Date"), QString());
        QDateTime date;
        const bool lisible = Regional::TryStrToDateTime(texteDate, date);
        const RegleRapport::Verdict verdict = RegleRapport::JugerEnregistrement(item);
        lignes.push_back({lisible ? Regional::DateToStr(date.date()) : texteDate, verdict.Texte,
                          verdict.EnAnomalie || !lisible, lisible});
    }
}

QByteArray TexteCsv(const std::vector<LigneHistorique>& lignes)
{
    std::vector<QStringList> enregistrements;
    enregistrements.reserve(lignes.size());
    for (const LigneHistorique& ligne : lignes)
        enregistrements.push_back({ligne.Date, ligne.Texte});
    return CsvText(enregistrements, CsvEncoding::Windows1252);
}

void EcrireCsv(const QString& fichier, const std::vector<LigneHistorique>& lignes)
{
    WriteCsvFile(fichier, TexteCsv(lignes));
}
