#pragma once

#include <QString>

// One FTP server section of the settings file: "Cordalis_FTP" (the distribution server) or
// "Cordalis_Rapport" (the report server). Every user of a server section reads it through
// LireParametresFtp: the upload channel, the report window and its history retrieval, the FTP
// parameters dialog and its connection test. A key of a later need goes here and into the
// reading, so that all of them see it.
struct ParametresFtp
{
    QString Host;
    QString Login;
    QString Mdp;
    int Port = 21;
};

// Reads the section. Without a settings file, or for absent keys: empty texts and port 21; a
// port that is not an integer also reads as 21.
// The port is not checked here: EstPortValide is the rule, applied before any network use.
ParametresFtp LireParametresFtp(const QString& iniFile, const QString& section);

// The one rule for a port of the settings: 1 to 65535.
bool EstPortValide(int port);

// Decimal text to integer, spaces around it allowed. Throws ConvertError
// ("'…' n'est pas une valeur entière correcte").
int StrToInt(const QString& text);

// The text of a port edit as a port: StrToInt, then EstPortValide. Throws ConvertError, with
// "'…' n'est pas un numéro de port correct" for an integer outside the rule.
int PortSaisi(const QString& text);

// Writes "Login", "Mdp", "Host" and "Port" into the section. Throws IniWriteError when the
// system refuses a write.
void EcrireParametresFtp(const QString& iniFile, const QString& section,
                         const ParametresFtp& parametres);
