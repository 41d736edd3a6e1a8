#include "ExportLayout.h"

#include "Errors.h"
#include "Regional.h"
#include "TNativeXmlQLF.h"
#include "TTable.h"

TTable* TableParCle(const TablesExport& tables, const QString& cle)
{
    const QString nom = cle.toLower();
    if (nom == QLatin1String("mes_docs"))
        return tables.MesDocs;
    if (nom == QLatin1String("mes_docs_type"))
        return tables.MesDocsType;
    if (nom == QLatin1String("message"))
        return tables.Message;
    if (nom == QLatin1String("message_type"))
        return tables.MessageType;
    if (nom == QLatin1String("personnalisation"))
        return tables.Perso;
    if (nom == QLatin1String("remise"))
        return tables.Remise;
    return nullptr;
}

namespace {

// A text shown in a message, its forbidden characters made visible.
QString Lisible(QString texte)
{
    for (qsizetype at = FirstForbiddenCharacter(texte); at >= 0;
         at = FirstForbiddenCharacter(texte))
        texte[at] = QLatin1Char('?');
    return texte;
}

// The current record as the head office finds it again in its tables: its number and, for a
// table with a primary key, the key's values.
QString Enregistrement(const TTable& table)
{
    QString texte = QStringLiteral("l'enregistrement n° %1").arg(table.RecNo());
    QStringList cle;
    try {
        for (int i = 0; i < table.KeyFieldCount(); ++i) {
            const TField champ = table.KeyField(i);
            cle << QStringLiteral("%1 = « %2 »").arg(champ.FieldName(), Lisible(champ.AsString()));
        }
    } catch (const CordalisError&) {
        cle.clear(); // the number alone still finds the record
    }
    if (!cle.isEmpty())
        texte += QStringLiteral(" (") + cle.join(QStringLiteral(", ")) + QLatin1Char(')');
    return texte;
}

// Writes one field of the current record. The XML layer refuses a value no parser could read
// (a control character typed or pasted into a head office record): the message then names
// the table, the record and the field, so that the record can be corrected.
void PoserChamp(const TTable& table, TXMLNodeQLF& ligne, const QString& nom, const QString& texte)
{
    try {
        ligne.SetAttribute(nom, texte);
    } catch (const XmlError& erreur) {
        const qsizetype interdit = FirstForbiddenCharacter(texte);
        const QString raison =
            interdit < 0 ? erreur.text()
                         : QStringLiteral("il contient un caractère interdit (%1, en position %2)")
                               .arg(CodePointText(texte.at(interdit)))
                               .arg(interdit + 1);
        throw XmlError(QStringLiteral("Le champ « %1 » de %2 de la table « %3 » ne peut pas être "
                                      "écrit en XML : %4. Corrigez cet enregistrement puis "
                                      "relancez la génération.")
                           .arg(nom, Enregistrement(table), table.TableName(), raison));
    }
}

} // namespace

void EcrireLigne(TTable& table, TXMLNodeQLF& ligne)
{
    const int nombre = table.FieldCount();
    for (int i = 0; i < nombre; ++i) {
        TField& champ = table.Fields(i);
        if (champ.IsNull())
            continue;
        PoserChamp(table, ligne, champ.FieldName(), champ.AsString());
    }
}

void EcrireLigneForcee(TTable& table, TXMLNodeQLF& ligne, const QString& nomChamp,
                       const QString& texteForce)
{
    const int nombre = table.FieldCount();
    for (int i = 0; i < nombre; ++i) {
        TField& champ = table.Fields(i);
        if (champ.IsNull())
            continue;
        const QString nom = champ.FieldName();
        PoserChamp(table, ligne, nom, nom == nomChamp ? texteForce : champ.AsString());
    }
}

QString Horodatage()
{
    return Regional::Now().toString(QStringLiteral("yyyyMMddHHmmss"));
}
