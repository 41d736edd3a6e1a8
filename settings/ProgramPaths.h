#pragma once

#include <QString>

// The program-wide values fixed at start-up and read-only afterwards. The installation is
// one self-contained folder: the executable's folder holds preparer/, Rapport/ and
// Cordalis.ini, whatever the working directory.
//
// Plain classes take the paths they need through their constructor; only forms read these.
namespace ProgramPaths {

// Computes every value from the executable's folder (QCoreApplication::applicationDirPath()
// at start-up; a temporary folder in tests).
void Init(const QString& executableFolder);

// "1.0": the layout version written into every export file.
QString VersionExport();
// The executable's folder, with its trailing separator.
QString RepertoireExe();
// RepertoireExe + "preparer/".
QString DossierPreparation();
// RepertoireExe + "Cordalis.ini".
QString FichierIni();
// RepertoireExe + "Rapport/" and "Rapport/Historique/": the local copies of the reports.
QString RepertoireRapport();
QString RepertoireHistorique();

} // namespace ProgramPaths
