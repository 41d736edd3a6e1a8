#pragma once

#include <QString>

class FtpClient;

// The FTP upload channel: publishes prepared files to the distribution server with the
// client it is given (the main window's own client). The connection parameters are read from
// section Cordalis_FTP of the settings file at every connection, so a change made in the FTP
// parameters dialog takes effect at the next file sent.
//
// Each operation reports its own failure in a message box and returns false; nothing is
// retried, except that a server which refuses the temporary upload name or the renaming gets
// the direct upload. The send actions run one full cycle per file: ConnexionFTP, then, only when it
// succeeded, EnvoiParFtp and DeconnexionFTP.
class CanalFtp
{
public:
    CanalFtp(FtpClient& client, QString fichierIni);

    // Reads the section, configures the client and connects (connecting logs in). A port
    // outside 1-65535 is refused with the connection message, before any network use.
    bool ConnexionFTP();
    // Uploads the local file under the remote name into the login directory, replacing a
    // remote file of that name whole: under a temporary name (".NAME.part") renamed over the
    // final one, so that the final name never holds half a file. Needs an open connection;
    // the caller closes it.
    bool EnvoiParFtp(const QString& cheminLocal, const QString& nomDistant);
    // Closes the connection when one is open; does nothing otherwise.
    bool DeconnexionFTP();

private:
    FtpClient& client_;
    QString fichierIni_;
};
