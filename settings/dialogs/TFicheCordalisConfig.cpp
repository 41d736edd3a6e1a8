#include "TFicheCordalisConfig.h"

#include "ActionConnection.h"
#include "ConfigCordalis.h"
#include "DialogKeys.h"
#include "GuiSeams.h"
#include "Legendes.h"
#include "MessageBox.h"
#include "TFicheExclureFnsListe.h"
#include "TFicheFtpParam.h"
#include "ui_TFicheCordalisConfig.h"

TFicheCordalisConfig::TFicheCordalisConfig(QWidget* owner, QString iniFile)
    : QDialog(owner), ui(std::make_unique<Ui::TFicheCordalisConfig>()), iniFile_(std::move(iniFile))
{
    ui->setupUi(this);
    // Sizeable, with a close box only: no minimise, maximise or help button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setModal(true);
    NoDefaultButton(*this);
    // The purchase-conditions caption ends where "Exclure fournisseurs" begins; the others
    // have the group box's width.
    AjusterLegende(ui->cbRemiseAchat, ui->btnExclure->x() - ui->cbRemiseAchat->x() - 2);
    const int inside = ui->GroupBox1->width() - ui->cbPersonnalisation->x() - 8;
    for (QWidget* caption :
         {static_cast<QWidget*>(ui->cbPersonnalisation), static_cast<QWidget*>(ui->cbMessagerie),
          static_cast<QWidget*>(ui->cbDocument), static_cast<QWidget*>(ui->rbFtp),
          static_cast<QWidget*>(ui->rbChemin)})
        AjusterLegende(caption, inside);

    ConnectAction(ui->cbRemiseAchat, &QCheckBox::toggled, this,
                  &TFicheCordalisConfig::cbRemiseAchatClick);
    // Each radio reaction acts only when its button has become the selected one.
    ConnectAction(ui->rbFtp, &QRadioButton::toggled, this, &TFicheCordalisConfig::rbFtpClick);
    ConnectAction(ui->rbChemin, &QRadioButton::toggled, this, &TFicheCordalisConfig::rbCheminClick);
    ConnectAction(ui->btnFtpParam, &QPushButton::clicked, this,
                  &TFicheCordalisConfig::btnFtpParamClick);
    ConnectAction(ui->btnCordalisRep, &QPushButton::clicked, this,
                  &TFicheCordalisConfig::btnCordalisRepClick);
    ConnectAction(ui->btnExclure, &QPushButton::clicked, this,
                  &TFicheCordalisConfig::btnExclureClick);
    ConnectAction(ui->btnEnregistrer, &QPushButton::clicked, this,
                  &TFicheCordalisConfig::btnEnregistrerClick);

    FormCreate();
}

TFicheCordalisConfig::~TFicheCordalisConfig() = default;

void TFicheCordalisConfig::FormCreate()
{
    const ConfigCordalis config = LireConfigCordalis(iniFile_);
    // Checking a box runs its reaction as a click would: "Exclure fournisseurs" follows the
    // purchase-conditions box.
    ui->cbRemiseAchat->setChecked(config.RemiseAchat);
    ui->cbPersonnalisation->setChecked(config.Personnalisation);
    ui->cbMessagerie->setChecked(config.Message);
    ui->cbDocument->setChecked(config.Document);

    switch (config.Canal) {
    case CanalConfig::Ftp:
        ui->rbFtp->setChecked(true);
        rbFtpClick();
        break;
    case CanalConfig::Chemin:
        ui->rbChemin->setChecked(true);
        rbCheminClick();
        break;
    case CanalConfig::Inconnu:
        // "Par chemin" stays selected as designed, with every channel control disabled,
        // until the user picks a channel.
        break;
    }
    ui->edtUri->setText(config.Uri);
}

void TFicheCordalisConfig::cbRemiseAchatClick()
{
    // Unchecking leaves the stored exclusion list alone.
    ui->btnExclure->setEnabled(ui->cbRemiseAchat->isChecked());
}

void TFicheCordalisConfig::rbFtpClick()
{
    if (!ui->rbFtp->isChecked())
        return;
    ui->edtUri->setEnabled(false);
    ui->btnCordalisRep->setEnabled(false);
    ui->btnFtpParam->setEnabled(true);
}

void TFicheCordalisConfig::rbCheminClick()
{
    if (!ui->rbChemin->isChecked())
        return;
    ui->edtUri->setEnabled(true);
    ui->btnCordalisRep->setEnabled(true);
    ui->btnFtpParam->setEnabled(false);
}

void TFicheCordalisConfig::btnFtpParamClick()
{
    TFicheFtpParam dialog(this, iniFile_, QStringLiteral("Cordalis_FTP"));
    dialog.exec();
}

void TFicheCordalisConfig::btnCordalisRepClick()
{
    // The current folder is not preselected: the browser always starts at the root.
    const QString folder =
        Dialogs::GetExistingDirectory(this, QStringLiteral("Sélectionnez le répertoire de copie"));
    if (folder.isEmpty())
        return;
    ui->edtUri->setText(AvecSeparateurFinal(folder));
}

void TFicheCordalisConfig::btnExclureClick()
{
    TFicheExclureFnsListe dialog(this, iniFile_);
    dialog.exec();
}

void TFicheCordalisConfig::btnEnregistrerClick()
{
    if (ui->rbChemin->isChecked() && ui->edtUri->text().isEmpty()) {
        ShowMessage(QStringLiteral("Veuillez renseigner un chemin"));
        return;
    }
    ConfigCordalis config;
    config.RemiseAchat = ui->cbRemiseAchat->isChecked();
    config.Personnalisation = ui->cbPersonnalisation->isChecked();
    config.Message = ui->cbMessagerie->isChecked();
    config.Document = ui->cbDocument->isChecked();
    config.Canal = ui->rbFtp->isChecked() ? CanalConfig::Ftp : CanalConfig::Chemin;
    config.Uri = ui->edtUri->text();
    EcrireConfigCordalis(iniFile_, config);
    accept();
}
