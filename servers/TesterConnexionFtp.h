#pragma once

#include "ParametresFtp.h"

#include <QString>

class FtpClient;

// Tries the values against the server on the given client: configure, connect (with the
// login), then disconnect again whatever happened. Returns the text to show: success, or the
// failure with the client's own text (a port outside the rule included).
QString TesterConnexionFtp(FtpClient& client, const ParametresFtp& parametres);
