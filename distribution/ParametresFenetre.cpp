#include "ParametresFenetre.h"

#include "ConfigCordalis.h"

#include <QFileInfo>

std::optional<ParametresFenetre> LireParametresFenetre(const QString& fichierIni)
{
    if (!QFileInfo(fichierIni).isFile())
        return std::nullopt;

    // The section as the settings dialog reads it; the window only maps it to its own terms.
    const ConfigCordalis config = LireConfigCordalis(fichierIni);
    ParametresFenetre result;
    result.Lignes = {config.RemiseAchat, config.Personnalisation, config.Message, config.Document};
    if (config.Canal == CanalConfig::Ftp) {
        result.TypeEnvoi = EnvoiFtp;
    } else if (config.Canal == CanalConfig::Chemin) {
        result.TypeEnvoi = EnvoiUri;
        result.CheminUri = config.Uri;
    }
    return result;
}

void ParametresFenetre::AppliquerCanal(TTypeEnvoi& type, QString& chemin) const
{
    if (!TypeEnvoi)
        return;
    type = *TypeEnvoi;
    if (type == EnvoiUri)
        chemin = CheminUri;
}
