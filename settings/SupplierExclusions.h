#pragma once

#include <QString>
#include <QStringList>

// The list of suppliers left out of the purchase-conditions export: section
// "Cordalis_FNS_Exclu" of the settings file, one key "Fournisseur" + position per supplier.
// Readers ignore the key names: every line of the section counts, by the text after its
// first '=' (the whole line when it holds none), compared with a code exactly.

// The values of the section in file order; empty when the file or the section is missing.
// Read it once when many codes are to be tested.
QStringList LireFournisseursExclus(const QString& iniFile);

// Whether code equals one of the values (exact, case-sensitive, no trimming).
bool FournisseurExcluDansListe(const QStringList& values, const QString& code);

// Reads the file and tests one code; a missing file excludes nothing.
bool FournisseurExcluDansFichier(const QString& iniFile, const QString& code);

// Replaces the list: erases the section when it exists, then writes Fournisseur0,
// Fournisseur1, ... in the order given, all in one rewrite of the file: the file holds the
// old list or the new one, never a part. An empty list leaves no section. Throws
// IniWriteError when the system refuses the write (the file then keeps the old list).
void EnregistrerFournisseursExclus(const QString& iniFile, const QStringList& codes);
