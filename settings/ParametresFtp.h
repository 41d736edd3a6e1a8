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
    // "TLS": explicit TLS required on the control and data connections (1); none (0, absent).
    bool TLS = false;
    // "Certificat": a PEM file holding the certificate (or its authority) to trust for this
    // server, for a self-signed one; empty: the system's authorities. Edited in the file only.
    QString Certificat;
};

// Reads the section. Without a settings file, or for absent keys: empty texts, port 21 and no
// TLS. The port and TLS are read as integers (TLS: any integer but 0 is true): a value that is
// not an integer gives the default.
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

// Writes "Login", "Mdp", "Host", "Port" and "TLS" into the section, in one rewrite of the file;
// "Certificat" is left as it is. Throws IniWriteError when the system refuses the write.
void EcrireParametresFtp(const QString& iniFile, const QString& section,
                         const ParametresFtp& parametres);
