#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

class TNativeXmlQLF;

// One run of a franchisee's history: its date as the regional short date, its state text
// and whether it is in trouble.
struct LigneHistorique
{
    QString Date;
    QString Texte;
    bool EnAnomalie = false;
    // False when the run's Date is missing or does not convert: Date then holds the
    // attribute's text as found (empty when missing) and the run counts as in trouble.
    bool DateLisible = true;
};

// Appends one line per Item of the history document's root, in document order, whatever
// their dates: a run whose date cannot be read is listed with its raw date text, so that one
// bad record never hides the others.
void LireHistorique(const TNativeXmlQLF& document, std::vector<LigneHistorique>& lignes);

// The history as the head office's spreadsheets read it: no header, one record per line
// "date;text;" followed by CR LF, nothing quoted (a message line keeps its bare LF), in
// windows-1252 without a byte-order mark; a character outside windows-1252 becomes '?'.
QByteArray TexteCsv(const std::vector<LigneHistorique>& lignes);

// Writes TexteCsv to the file, replacing it whole only once everything is written. Throws
// CordalisError with a French text when the file cannot be written.
void EcrireCsv(const QString& fichier, const std::vector<LigneHistorique>& lignes);
