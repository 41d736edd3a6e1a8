#include "SupplierExclusions.h"

#include "TIniFile.h"

#include <QFileInfo>

namespace {
const QString kSection = QStringLiteral("Cordalis_FNS_Exclu");
}

QStringList LireFournisseursExclus(const QString& iniFile)
{
    if (!QFileInfo::exists(iniFile))
        return {};
    QStringList lines;
    TIniFile(iniFile).ReadSectionValues(kSection, lines);
    QStringList values;
    values.reserve(lines.size());
    for (const QString& line : lines) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        values << (equals < 0 ? line : line.mid(equals + 1));
    }
    return values;
}

bool FournisseurExcluDansListe(const QStringList& values, const QString& code)
{
    return values.contains(code, Qt::CaseSensitive);
}

bool FournisseurExcluDansFichier(const QString& iniFile, const QString& code)
{
    return FournisseurExcluDansListe(LireFournisseursExclus(iniFile), code);
}

void EnregistrerFournisseursExclus(const QString& iniFile, const QStringList& codes)
{
    // One rewrite: a list cut short by a full disk or a crash would publish the conditions
    // of the suppliers that fell off it.
    TIniFile::Changes changes;
    changes.EraseSection(kSection);
    for (qsizetype i = 0; i < codes.size(); ++i)
        changes.WriteString(kSection, QStringLiteral("Fournisseur%1").arg(i), codes.at(i));
    TIniFile(iniFile).Apply(changes);
}
