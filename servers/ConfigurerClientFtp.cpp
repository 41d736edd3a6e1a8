#include "ConfigurerClientFtp.h"

#include "FtpClient.h"

void ConfigurerClientFtp(FtpClient& client, const ParametresFtp& parametres)
{
    if (!EstPortValide(parametres.Port))
        throw FtpError(FtpError::Category::Other,
                       QStringLiteral("Connexion au serveur FTP impossible : le port %1 n'est pas "
                                      "un port valide (1 à 65535).")
                           .arg(parametres.Port));
    client.Configure(parametres.Host, parametres.Login, parametres.Mdp,
                     static_cast<quint16>(parametres.Port));
    client.SetTlsRequired(parametres.TLS);
    client.SetTrustedCertificates(parametres.Certificat);
}
