#pragma once

#include "TTypeEnvoi.h"

#include <QString>
#include <array>
#include <optional>

// What the main window takes from the settings file: which rows are offered and which
// channel sends the exports.
struct ParametresFenetre
{
    // One flag per row, in the window's order: purchase conditions ("Remise_Achat"), model
    // customisation ("Personnalisation"), messages ("Message"), documents ("Document").
    std::array<bool, 4> Lignes{};
    // Empty when "TypeEnvoi" is neither "FTP" nor "URI" (compared case-sensitively): the
    // window then keeps the channel it had.
    std::optional<TTypeEnvoi> TypeEnvoi;
    // Key "URI" of section Cordalis_URI, unchanged; read only for the "URI" channel.
    QString CheminUri;

    // The channel to send with after reading these settings: theirs when they name one (with
    // its folder for the copy channel); otherwise type and chemin stay as they were.
    void AppliquerCanal(TTypeEnvoi& type, QString& chemin) const;
};

// Reads the main window's settings from the file; nothing when the file does not exist.
std::optional<ParametresFenetre> LireParametresFenetre(const QString& fichierIni);
