#include "HistoryRecords.h"

#include "Errors.h"
#include "NativeXml.h"
#include "Regional.h"
#include "ReportRules.h"

#include <QDir>
#include <QSaveFile>
#include <array>

void LireHistorique(const TNativeXmlQLF& document, std::vector<LigneHistorique>& lignes)
{
    const TXMLNodeQLF* racine = document.Root();
    if (!racine)
        return;
    TXMLNodeListQLF items;
    racine->ChildrenByName(QStringLiteral("Item"), items);
    for (int i = 0; i < items.Count(); ++i) {
        const TXMLNodeQLF* item = items.NodeAt(i);
        const QDateTime date =
            Regional::StrToDateTime(item->ReadAttribute(QStringLiteral("Date"), QString()));
        const RegleRapport::Verdict verdict = RegleRapport::JugerEnregistrement(item);
        lignes.push_back({Regional::DateToStr(date.date()), verdict.Texte, verdict.EnAnomalie});
    }
}

QByteArray VersWindows1252(const QString& text)
{
    // The code points of bytes 0x80 to 0x9F; 0 where windows-1252 leaves the byte undefined.
    static constexpr std::array<char16_t, 32> high = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            bytes.append(static_cast<char>(c));
            continue;
        }
        char byte = '?';
        for (std::size_t k = 0; k < high.size(); ++k) {
            if (high[k] != 0 && high[k] == c) {
                byte = static_cast<char>(0x80 + k);
                break;
            }
        }
        // A character outside the basic plane is one '?', not two.
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text.at(i + 1).unicode()))
            ++i;
        bytes.append(byte);
    }
    return bytes;
}

QByteArray TexteCsv(const std::vector<LigneHistorique>& lignes)
{
    QByteArray bytes;
    for (const LigneHistorique& ligne : lignes)
        bytes += VersWindows1252(ligne.Date + QLatin1Char(';') + ligne.Texte + QLatin1Char(';')) +
                 "\r\n";
    return bytes;
}

void EcrireCsv(const QString& fichier, const std::vector<LigneHistorique>& lignes)
{
    QSaveFile file(fichier);
    const QByteArray bytes = TexteCsv(lignes);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw CordalisError(QStringLiteral("Impossible d'écrire le fichier ") +
                            QDir::toNativeSeparators(fichier) + QStringLiteral(" : ") +
                            file.errorString());
}
