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
};

// Appends one line per Item of the history document's root, in document order. An Item
// whose Date does not convert throws ConvertError: the lines before it stay appended.
void LireHistorique(const TNativeXmlQLF& document, std::vector<LigneHistorique>& lignes);

// The history as the head office's spreadsheets read it: no header, one record per line
// "date;text;" followed by CR LF, nothing quoted (a message line keeps its bare LF), in
// windows-1252 without a byte-order mark; a character outside windows-1252 becomes '?'.
QByteArray TexteCsv(const std::vector<LigneHistorique>& lignes);

// Writes TexteCsv to the file, replacing it whole only once everything is written. Throws
// CordalisError with a French text when the file cannot be written.
void EcrireCsv(const QString& fichier, const std::vector<LigneHistorique>& lignes);
