#pragma once

#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class TFicheCordalisConfig;
}

// "Paramétrage Cordalis": which data sets are published, by which channel, to which folder.
// Writes the "Cordalis" and "Cordalis_URI" sections on "Enregistrer"; opens the FTP
// parameters dialog and the supplier exclusion dialog, which save their own sections.
class TFicheCordalisConfig : public QDialog
{
    Q_OBJECT

public:
    explicit TFicheCordalisConfig(QWidget* owner, QString iniFile);
    ~TFicheCordalisConfig() override;

    // Reactions, public so that the main window's tests and this dialog's tests can run
    // them the way a click would.
    void cbRemiseAchatClick();
    void rbFtpClick();
    void rbCheminClick();
    void btnFtpParamClick();
    void btnCordalisRepClick();
    void btnExclureClick();
    void btnEnregistrerClick();

private:
    void FormCreate();

    std::unique_ptr<Ui::TFicheCordalisConfig> ui;
    QString iniFile_;
};
