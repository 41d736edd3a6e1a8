#pragma once

#include "CsvFile.h"
#include "SessionRapport.h"

#include <QString>
#include <vector>

class Console;

// What a report check without a window is asked for.
struct OptionsRapport
{
    static constexpr int JoursMin = 1;
    static constexpr int JoursMax = 31;

    // The delay allowed, as the report window's day count.
    int Jours = 1;
    // Also writes the list as CSV into this file, when not empty.
    QString FichierCsv;
    CsvEncoding Encodage = CsvEncoding::Windows1252;
};

// One report pass as the report window runs its first one (same downloads, same verdicts),
// without a window: one line per franchisee in the server's order, its name and "en ordre" or
// "en anomalie", the detail text of those in trouble indented below; the same as CSV when
// asked. Messages of the pass go through the message seam, as in the window.
class RapportAutomatique
{
public:
    RapportAutomatique(SessionRapport& session, Console& console);

    // True when the pass listed every report (whatever their verdicts) and the CSV, when
    // asked, was written.
    bool Executer(const OptionsRapport& options);

    // The CSV records of the entries: name, "en ordre" or "en anomalie", detail text.
    static std::vector<QStringList> Enregistrements(const std::vector<EntreeRapport>& entrees);
    static QString Etat(const EntreeRapport& entree);

private:
    SessionRapport& session_;
    Console& console_;
};
