#pragma once

#include "ParametresFtp.h"

class FtpClient;

// Sets the client up for the server of a settings section before it connects: host, login,
// password, port, explicit TLS and the certificate to trust. A port outside the rule of the
// settings (EstPortValide) throws FtpError here, before any network use, so that each caller shows
// it with its own connection message instead of reaching another port.
void ConfigurerClientFtp(FtpClient& client, const ParametresFtp& parametres);
