#pragma once

#include <QDateTime>
#include <QString>

class TXMLNodeQLF;

// The rules by which a franchisee's update report, or one run of its history, is judged.
// A record is a report's root or a history Item; it holds the sections General, CDL and
// Quillfen, each with an Etat element (attribute Etat, 0 = in order) and a Messages list.
// Both the report list and the history window judge records through these functions.
namespace RegleRapport {

// Section numbers, in the order the sections are read and reported.
enum Section
{
    General = 0,
    CDL = 1,
    Quillfen = 2
};
constexpr int NombreSections = 3;

// "General", "CDL" or "Quillfen".
QString NomSection(int section);

// The state of one section: its Etat element's attribute Etat as an integer, default 1.
// A missing section or Etat element counts as 1 (in trouble), as a missing attribute does.
int EtatSection(const TXMLNodeQLF* record, int section);

// One line "[" section "] " message "\n" per Message of the section's Messages element, in
// document order; empty when the section, its Messages element or the record is missing.
QString MessagesSection(int section, const TXMLNodeQLF* record);

// The verdict of one record: in trouble when a section's state is not 0. The text holds the
// message lines of every section in trouble (in section order), or "Mise à jour automatique
// installée." when every section is in order.
struct Verdict
{
    bool EnAnomalie = false;
    QString Texte;
};
Verdict JugerEnregistrement(const TXMLNodeQLF* record);

// A verdict in words: "en anomalie" or "en ordre" (what screen readers and the runs without
// a window say of a franchisee or a run).
QString TexteEtat(bool enAnomalie);

extern const QString TexteInstallee;

// The verdict of a franchisee's report: its root record judged as above, also in trouble when
// the report or its file (dated dateFichier on the server) is older than jours days. The text
// starts with the date line. A Date attribute that is missing or does not convert makes the
// report in trouble, its text starting with LigneDateIllisible instead.
Verdict JugerRapport(const TXMLNodeQLF* racine, const QDateTime& dateFichier, int jours);

// "Derniere mise à jour automatique effectuée le " + the date and time under the regional
// settings + "\n": the first line of a report's detail text.
QString LigneDate(const QDateTime& date);
// "Date de rapport illisible : « " + the Date attribute's text as found + " »\n".
QString LigneDateIllisible(const QString& texteDate);

// A report is current when both its date and its file's date (short dates under the regional
// settings) are on or after today moved back by jours days. A text that is not a date makes
// the report not current.
bool EstAJour(const QString& dateRapport, const QString& dateFichier, int jours);

// A name from a server listing that may be used as a local file name: not empty, not "." or
// "..", no '/' or '\\', no control characters.
bool EstNomSimple(const QString& name);

// A report or history file: its extension (the last dot and what follows) is exactly ".xml".
bool EstFichierXml(const QString& fileName);

// The franchisee's name: the file name up to the first ".xml".
QString NomFranchise(const QString& fileName);

} // namespace RegleRapport
