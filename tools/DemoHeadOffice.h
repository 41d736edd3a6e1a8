#pragma once

#include <QDate>
#include <QString>

// The demo head office: a realistic set of head-office tables and of franchisee update
// reports, so that every row and window of the program has something to show without a real
// head office. Dates are relative to the given day so the report marks stay meaningful on any
// day. Every function throws (CordalisError or std::runtime_error) with a French text when a
// file cannot be written.

// What the demo writes, for the callers' summaries and the tests.
struct DemoCounts
{
    int fournisseurs = 0;
    int remises = 0;
    int perso = 0;
    int messageTypes = 0;
    int messages = 0;
    int docTypes = 0;
    int docs = 0;
    int rapports = 0;    // report files written into the report folder
    int historiques = 0; // history files written into its Historique subfolder
};

// Writes FOURNIS.DB, REMISES.DB, Perso.DB, MessageType.DB, Message.DB, MesDocsType.DB and
// MesDocs.DB (with their memo files) into folder, replacing them.
DemoCounts WriteDemoTables(const QString& folder);

// Writes the franchisees' reports into folder and their histories into folder/Historique,
// dated from today backwards in the regional date format the program reads. File times are
// set to match the report dates (one franchisee gets a current report in an old file).
DemoCounts WriteDemoReports(const QString& folder, const QDate& today);

// The two local FTP servers of the demo.
struct DemoServers
{
    int ftpPort = 0;     // distribution server
    int rapportPort = 0; // report server
};

// Fills the demo settings file: the four rows on, the alias folder, the folder channel on
// target (the channel itself is only set when the file has none, so that a choice made in
// "Configurer" survives a restart) and both FTP sections on 127.0.0.1.
void WriteDemoSettings(const QString& iniFile, const QString& aliasFolder, const QString& target,
                       const DemoServers& servers);

// Accounts of the demo servers.
inline constexpr const char* DemoFtpLogin = "diffusion";
inline constexpr const char* DemoFtpPassword = "demo";
inline constexpr const char* DemoRapportLogin = "velmora";
inline constexpr const char* DemoRapportPassword = "demo";
