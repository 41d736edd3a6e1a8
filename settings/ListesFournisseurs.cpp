#include "ListesFournisseurs.h"

#include "IniFile.h"
#include "ParadoxTable.h"

#include <QFileInfo>
#include <algorithm>
#include <set>

namespace {
const QString SectionExclus = QStringLiteral("Cordalis_FNS_Exclu");

// A stored line excludes the supplier whose code equals the text after its first equals
// sign (the whole line when it has none), exactly and with letter case.
bool CodeStocke(const QStringList& storedLines, const QString& code)
{
    for (const QString& line : storedLines) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        const QString value = equals < 0 ? line : line.mid(equals + 1);
        if (value == code)
            return true;
    }
    return false;
}

bool AvantParNom(const Fournisseur& a, const Fournisseur& b)
{
    return QString::localeAwareCompare(a.Nom, b.Nom) < 0;
}
} // namespace

void ListesFournisseurs::Charger(TTable& table, const QStringList& storedLines,
                                 const std::function<void()>& afterEachRow)
{
    if (!table.Active())
        table.Open();
    for (table.First(); !table.Eof(); table.Next()) {
        const Fournisseur fournisseur{table.FieldByName(QStringLiteral("Code")).AsString(),
                                      table.FieldByName(QStringLiteral("Nom")).AsString()};
        if (afterEachRow)
            afterEachRow();
        Inserer(CodeStocke(storedLines, fournisseur.Code) ? exclus_ : inclus_, fournisseur);
    }
}

void ListesFournisseurs::Exclure(const std::vector<int>& positions)
{
    Deplacer(inclus_, exclus_, positions);
}

void ListesFournisseurs::Reintegrer(const std::vector<int>& positions)
{
    Deplacer(exclus_, inclus_, positions);
}

void ListesFournisseurs::Inserer(std::vector<Fournisseur>& list, const Fournisseur& fournisseur)
{
    list.insert(std::upper_bound(list.begin(), list.end(), fournisseur, AvantParNom), fournisseur);
}

void ListesFournisseurs::Deplacer(std::vector<Fournisseur>& from, std::vector<Fournisseur>& to,
                                  const std::vector<int>& positions)
{
    std::set<int> chosen;
    for (int position : positions)
        if (position >= 0 && position < static_cast<int>(from.size()))
            chosen.insert(position);
    // From the last position down, so the positions still to take stay valid.
    std::vector<Fournisseur> moved;
    for (auto it = chosen.rbegin(); it != chosen.rend(); ++it) {
        moved.push_back(from[*it]);
        from.erase(from.begin() + *it);
    }
    for (auto it = moved.rbegin(); it != moved.rend(); ++it)
        Inserer(to, *it);
}

void ListesFournisseurs::Enregistrer(const QString& iniFile) const
{
    TIniFile ini(iniFile);
    if (ini.SectionExists(SectionExclus))
        ini.EraseSection(SectionExclus);
    for (size_t i = 0; i < exclus_.size(); ++i)
        ini.WriteString(SectionExclus, QStringLiteral("Fournisseur%1").arg(i), exclus_[i].Code);
}

QStringList ListesFournisseurs::LignesStockees(const QString& iniFile)
{
    QStringList lines;
    if (QFileInfo::exists(iniFile))
        TIniFile(iniFile).ReadSectionValues(SectionExclus, lines);
    return lines;
}
