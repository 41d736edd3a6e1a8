#include "HeadOfficeFixtures.h"

QList<ParadoxColumn> FournisColumns()
{
    QList<ParadoxColumn> columns;
    for (const QString& name : FournisFields()) {
        int length = 20;
        if (name == QLatin1String("Code"))
            length = 2;
        else if (name == QLatin1String("Nom"))
            length = 30;
        columns.append({name, FieldKind::Alpha, length});
    }
    return columns;
}

void WriteFournis(const QString& path, const QStringList& codes)
{
    ParadoxWriter writer(path, FournisColumns());
    for (const QString& code : codes)
        writer.AddRow({code, QStringLiteral("Fournisseur %1").arg(code)});
    writer.Close();
}

QList<ParadoxColumn> RemisesColumns()
{
    return {{QStringLiteral("Fournisseur"), FieldKind::Alpha, 2},
            {QStringLiteral("Client"), FieldKind::Alpha, 10},
            {QStringLiteral("Type"), FieldKind::Short},
            {QStringLiteral("Famille"), FieldKind::Alpha, 2},
            {QStringLiteral("Modele"), FieldKind::Alpha, 2},
            {QStringLiteral("Libelle"), FieldKind::Alpha, 40},
            {QStringLiteral("Remise1"), FieldKind::Number},
            {QStringLiteral("Remise2"), FieldKind::Number},
            {QStringLiteral("Franco"), FieldKind::Money},
            {QStringLiteral("DateDebut"), FieldKind::Date},
            {QStringLiteral("DateFin"), FieldKind::Date},
            {QStringLiteral("Note"), FieldKind::Memo, 20}};
}
