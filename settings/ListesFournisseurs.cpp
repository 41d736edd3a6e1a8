#include "ListesFournisseurs.h"

#include "Regional.h"
#include "SupplierExclusions.h"
#include "TTable.h"

#include <algorithm>
#include <set>

ListesFournisseurs::ListesFournisseurs() : collator_(Regional::Locale())
{
    // The names sort as a list control sorts its texts: by the regional collation, letter
    // case aside ("abricots" before "Artichauts").
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
}

void ListesFournisseurs::Charger(TTable& table, const QStringList& storedCodes,
                                 const std::function<void()>& afterEachRow)
{
    if (!table.Active())
        table.Open();
    for (table.First(); !table.Eof(); table.Next()) {
        const Fournisseur fournisseur{table.FieldByName(QStringLiteral("Code")).AsString(),
                                      table.FieldByName(QStringLiteral("Nom")).AsString()};
        if (afterEachRow)
            afterEachRow();
        Inserer(FournisseurExcluDansListe(storedCodes, fournisseur.Code) ? exclus_ : inclus_,
                fournisseur);
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
    const auto before = [this](const Fournisseur& a, const Fournisseur& b) {
        return collator_.compare(a.Nom, b.Nom) < 0;
    };
    list.insert(std::upper_bound(list.begin(), list.end(), fournisseur, before), fournisseur);
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
    QStringList codes;
    for (const Fournisseur& fournisseur : exclus_)
        codes << fournisseur.Code;
    EnregistrerFournisseursExclus(iniFile, codes);
}
