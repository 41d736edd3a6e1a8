#include "RegleRapport.h"

#include "Regional.h"
#include "TNativeXmlQLF.h"

#include <memory>

namespace RegleRapport {

const QString TexteInstallee = QStringLiteral("Mise à jour automatique installée.");

QString NomSection(int section)
{
    switch (section) {
    case General:
        return QStringLiteral("General");
    case CDL:
        return QStringLiteral("CDL");
    case Quillfen:
        return QStringLiteral("Quillfen");
    default:
        return QString();
    }
}

int EtatSection(const TXMLNodeQLF* record, int section)
{
    if (!record)
        return 1;
    const std::unique_ptr<TXMLNodeQLF> node = record->FindChild(NomSection(section));
    if (!node)
        return 1;
    const std::unique_ptr<TXMLNodeQLF> etat = node->FindChild(QStringLiteral("Etat"));
    if (!etat)
        return 1;
    return etat->ReadAttributeInt(QStringLiteral("Etat"), 1);
}

QString MessagesSection(int section, const TXMLNodeQLF* record)
{
    if (!record)
        return QString();
    const QString name = NomSection(section);
    const std::unique_ptr<TXMLNodeQLF> node = record->FindChild(name);
    if (!node)
        return QString();
    const std::unique_ptr<TXMLNodeQLF> messages = node->FindChild(QStringLiteral("Messages"));
    if (!messages)
        return QString();
    TXMLNodeListQLF list;
    messages->ChildrenByName(QStringLiteral("Message"), list);
    QString lines;
    for (int i = 0; i < list.Count(); ++i)
        lines += QLatin1Char('[') + name + QStringLiteral("] ") + list.NodeAt(i)->Value() +
                 QLatin1Char('\n');
    return lines;
}

Verdict JugerEnregistrement(const TXMLNodeQLF* record)
{
    Verdict verdict;
    for (int section = 0; section < NombreSections; ++section) {
        if (EtatSection(record, section) != 0) {
            verdict.EnAnomalie = true;
            verdict.Texte += MessagesSection(section, record);
        }
    }
    if (!verdict.EnAnomalie)
        verdict.Texte = TexteInstallee;
    return verdict;
}

Verdict JugerRapport(const TXMLNodeQLF* racine, const QDateTime& dateFichier, int jours)
{
    const QString texteDate = racine->ReadAttribute(QStringLiteral("Date"), QString());
    Verdict verdict = JugerEnregistrement(racine);
    QDateTime date;
    if (!Regional::TryStrToDateTime(texteDate, date)) {
        // A report whose date cannot be read cannot be current; saying which value was found
        // lets the head office tell the franchisee what to correct.
        verdict.EnAnomalie = true;
        verdict.Texte.prepend(LigneDateIllisible(texteDate));
        return verdict;
    }
    verdict.Texte.prepend(LigneDate(date));
    if (!EstAJour(Regional::DateToStr(date.date()), Regional::DateToStr(dateFichier.date()), jours))
        verdict.EnAnomalie = true;
    return verdict;
}

QString LigneDate(const QDateTime& date)
{
    return QStringLiteral("Derniere mise à jour automatique effectuée le ") +
           Regional::DateTimeToStr(date) + QLatin1Char('\n');
}

QString LigneDateIllisible(const QString& texteDate)
{
    return QStringLiteral("Date de rapport illisible : « ") + texteDate + QStringLiteral(" »\n");
}

bool EstAJour(const QString& dateRapport, const QString& dateFichier, int jours)
{
    const QDate limite = Regional::AddDays(Regional::Today(), -jours);
    QDateTime rapport;
    QDateTime fichier;
    if (!Regional::TryStrToDateTime(dateRapport, rapport) ||
        !Regional::TryStrToDateTime(dateFichier, fichier))
        return false;
    return rapport.date() >= limite && fichier.date() >= limite;
}

bool EstNomSimple(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20 ||
            c.unicode() == 0x7F || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

bool EstFichierXml(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && QStringView(fileName).mid(dot) == QLatin1String(".xml");
}

QString NomFranchise(const QString& fileName)
{
    const qsizetype end = fileName.indexOf(QLatin1String(".xml"));
    return end < 0 ? fileName : fileName.left(end);
}

QString TexteEtat(bool enAnomalie)
{
    return enAnomalie ? QStringLiteral("en anomalie") : QStringLiteral("en ordre");
}

} // namespace RegleRapport
