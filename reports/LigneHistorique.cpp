#include "LigneHistorique.h"

#include "AtomicFile.h"
#include "CodePage.h"
#include "Errors.h"
#include "Regional.h"
#include "RegleRapport.h"
#include "TNativeXmlQLF.h"

#include <QDir>

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
    const CodePage windows1252(1252);
    QByteArray bytes;
    for (const LigneHistorique& ligne : lignes)
        bytes +=
            windows1252.Encode(ligne.Date + QLatin1Char(';') + ligne.Texte + QLatin1Char(';')) +
            "\r\n";
    return bytes;
}

void EcrireCsv(const QString& fichier, const std::vector<LigneHistorique>& lignes)
{
    QString raison;
    if (!WriteFileAtomically(fichier, TexteCsv(lignes), &raison))
        throw CordalisError(QStringLiteral("Impossible d'écrire le fichier ") +
                            QDir::toNativeSeparators(fichier) + QStringLiteral(" : ") + raison);
}
