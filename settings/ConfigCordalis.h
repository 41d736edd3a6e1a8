#pragma once

#include <QString>

// The general settings edited by the settings dialog: which data sets are published, the
// send channel and the copy folder (sections "Cordalis" and "Cordalis_URI").

// The channel the settings dialog shows once loaded.
enum class CanalConfig
{
    Ftp,     // "TypeEnvoi" is "FTP", or the key is absent
    Chemin,  // "TypeEnvoi" is "URI", or there is no settings file at all
    Inconnu, // "TypeEnvoi" holds another value: "Par chemin" stays selected as designed,
             // but neither channel's controls are enabled
};

struct ConfigCordalis
{
    bool RemiseAchat = false;
    bool Personnalisation = false;
    bool Message = false;
    bool Document = false;
    CanalConfig Canal = CanalConfig::Chemin;
    QString Uri; // the copy folder, read whatever the channel
    // Key "Regional": the locale of the regional formats ("fr_BE"...), empty for French.
    // Read at start-up only; the dialog neither shows nor writes it.
    QString Regional;
};

// Reads the section for the dialog and for the start-up. Without a settings file: every box
// unchecked, the folder channel, no folder, French formats.
ConfigCordalis LireConfigCordalis(const QString& iniFile);

// Writes the four booleans, "TypeEnvoi" ("FTP" for the FTP channel, otherwise "URI") and the
// copy folder, in that order and in one rewrite of the file: all of them or none. Throws
// IniWriteError when the system refuses the write.
void EcrireConfigCordalis(const QString& iniFile, const ConfigCordalis& config);

// The folder chosen in the folder browser, in native separators, with a trailing separator
// added when it has none (a root such as "/" stays as it is).
QString AvecSeparateurFinal(const QString& folder);
