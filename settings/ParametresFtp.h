#pragma once

#include <QString>

// The four keys of one FTP server section ("Cordalis_FTP" or "Cordalis_Rapport"), as the FTP
// parameters dialog shows and edits them: the port stays the text of its edit until it is
// converted.
struct ParametresFtp
{
    QString Login;
    QString Mdp;
    QString Host;
    QString Port = QStringLiteral("21");
};

// Reads the section. Without a settings file, or for absent keys: empty texts and port 21; a
// port that is not an integer also reads as 21.
ParametresFtp LireParametresFtp(const QString& iniFile, const QString& section);

// True when one of the four texts is empty (only emptiness counts: spaces pass).
bool ParametresIncomplets(const ParametresFtp& parametres);

// Decimal text to integer, spaces around it allowed. Throws ConvertError
// ("'…' n'est pas une valeur entière correcte").
int StrToInt(const QString& text);

// Writes "Login", "Mdp", "Host" and "Port" into the section, in one rewrite of the file. The
// port is converted before anything is written, so a port that is not an integer throws
// ConvertError and leaves the file as it was. Throws IniWriteError when the system refuses
// the write.
void EcrireParametresFtp(const QString& iniFile, const QString& section,
                         const ParametresFtp& parametres);
