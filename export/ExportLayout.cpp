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

void EcrireLigne(TTable& table, TXMLNodeQLF& ligne)
{
    const int nombre = table.FieldCount();
    for (int i = 0; i < nombre; ++i) {
        TField& champ = table.Fields(i);
        if (champ.IsNull())
            continue;
        ligne.SetAttribute(champ.FieldName(), champ.AsString());
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
        ligne.SetAttribute(nom, nom == nomChamp ? texteForce : champ.AsString());
    }
}

QString Horodatage()
{
    return Regional::Now().toString(QStringLiteral("yyyyMMddHHmmss"));
}
