#pragma once

#include "ActionsEnvoi.h"
#include "RapportAutomatique.h"

#include <vector>

class Console;

// The runs without a window (a timer, cron, a script): the publication of the main window's
// rows and the report check, with the installation's settings, tables and folders as the
// program's start fixed them (ProgramPaths). Both take the installation's run lock first.
namespace UnattendedRun {

// Exit codes; 2 is the command line's own (CommandLine::UsageError).
constexpr int Done = 0;
constexpr int Failed = 1;
constexpr int AlreadyRunning = 3;

// The lock file in the data folder, shared by both runs.
QString LockFile();

// "Générer" then "Envoyer" of the rows (every enabled row when lignes is empty).
int Publish(const std::vector<JeuDonnees>& lignes, Console& console);
// One report pass.
int CheckReports(const OptionsRapport& options, Console& console);

} // namespace UnattendedRun
