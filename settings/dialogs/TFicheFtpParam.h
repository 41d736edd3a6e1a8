#pragma once

#include <QDialog>
#include <QString>
#include <memory>

class FtpClient;
namespace Ui {
class TFicheFtpParam;
}

// "Paramétrage FTP": edits the login, password, host, port and TLS of one FTP server section of
// the settings file, and tries the entered values against the server without saving them
// (with the certificate to trust of the file's section, which is edited in the file only).
class TFicheFtpParam : public QDialog
{
    Q_OBJECT

public:
    TFicheFtpParam(QWidget* owner, QString iniFile, QString section);
    ~TFicheFtpParam() override;

    // Reactions, public so that tests can run them the way a click would. A port that is not
    // an integer from 1 to 65535 throws ConvertError out of both, before anything is written
    // or tried (the standard exception display shows it).
    void btnEnregistrerClick();
    void btnTestFtpClick();

private:
    void FormCreate();

    std::unique_ptr<Ui::TFicheFtpParam> ui;
    QString iniFile_;
    QString section_;
    // The dialog's own client, used only by the connection test and always left closed.
    std::unique_ptr<FtpClient> IdFTP1;
};
