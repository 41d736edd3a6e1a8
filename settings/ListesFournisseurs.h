#pragma once

#include <QCollator>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class TTable;

// One supplier of FOURNIS.DB as the exclusion dialog shows it: its name, and its code kept
// out of sight.
struct Fournisseur
{
    QString Code;
    QString Nom;
};

// The two lists of the supplier exclusion dialog: suppliers whose purchase conditions are
// published ("inclus") and those left out ("exclus"). Each list stays sorted by name (regional
// collation, letter case aside); a row added to a list goes after the rows of the same name.
class ListesFournisseurs
{
public:
    ListesFournisseurs();

    // Puts every row of the supplier table (opened here when it is not open yet, left open)
    // into the excluded list when its code is one of the stored codes (LireFournisseursExclus),
    // else into the included list.
    // afterEachRow runs after each row is read (the dialog keeps its window responsive
    // there). Errors of the table layer are thrown as they come; the rows read before stay.
    void Charger(TTable& table, const QStringList& storedCodes,
                 const std::function<void()>& afterEachRow = {});

    const std::vector<Fournisseur>& Inclus() const { return inclus_; }
    const std::vector<Fournisseur>& Exclus() const { return exclus_; }

    // Moves the rows at the given positions of one list to the other (positions in any
    // order, duplicates and positions out of range ignored).
    void Exclure(const std::vector<int>& positions);
    void Reintegrer(const std::vector<int>& positions);

    // Replaces the exclusion section of the settings file by the excluded list:
    // "Fournisseur0" upward in list order, no section at all when the list is empty.
    // Throws IniWriteError when the system refuses a write.
    void Enregistrer(const QString& iniFile) const;

private:
    void Inserer(std::vector<Fournisseur>& list, const Fournisseur& fournisseur);
    void Deplacer(std::vector<Fournisseur>& from, std::vector<Fournisseur>& to,
                  const std::vector<int>& positions);

    QCollator collator_;
    std::vector<Fournisseur> inclus_;
    std::vector<Fournisseur> exclus_;
};
