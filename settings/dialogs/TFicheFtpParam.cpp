#include "TFicheFtpParam.h"

#include "ActionConnection.h"
#include "DialogKeys.h"
#include "FtpClient.h"
#include "GuiSeams.h"
#include "Legendes.h"
#include "MessageBox.h"
#include "ParametresFtp.h"
#include "TesterConnexionFtp.h"
#include "ui_TFicheFtpParam.h"

namespace {
ParametresFtp Saisie(const Ui::TFicheFtpParam& ui)
{
    ParametresFtp parametres;
    parametres.Login = ui.edtLogin->text();
    parametres.Mdp = ui.edtPassword->text();
    parametres.Host = ui.edtHost->text();
    parametres.Port = ui.edtPort->text();
    return parametres;
}
} // namespace

TFicheFtpParam::TFicheFtpParam(QWidget* owner, QString iniFile, QString section)
    : QDialog(owner), ui(std::make_unique<Ui::TFicheFtpParam>()), iniFile_(std::move(iniFile)),
      section_(std::move(section)), IdFTP1(std::make_unique<FtpClient>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setModal(true);
    NoDefaultButton(*this);
    // The password is shown in clear, as the head office asked.
    ui->edtPassword->setEchoMode(QLineEdit::Normal);
    // Each label ends just before its edit.
    for (QLabel* label : {ui->lblLogin, ui->lblPwd, ui->lblHost, ui->lblPort})
        AjusterLegende(label, ui->edtLogin->x() - label->x() - 2);

    ConnectAction(ui->btnEnregistrer, &QPushButton::clicked, this,
                  &TFicheFtpParam::btnEnregistrerClick);
    ConnectAction(ui->btnTestFtp, &QPushButton::clicked, this, &TFicheFtpParam::btnTestFtpClick);

    FormCreate();
}

TFicheFtpParam::~TFicheFtpParam() = default;

void TFicheFtpParam::FormCreate()
{
    const ParametresFtp parametres = LireParametresFtp(iniFile_, section_);
    ui->edtLogin->setText(parametres.Login);
    ui->edtPassword->setText(parametres.Mdp);
    ui->edtHost->setText(parametres.Host);
    ui->edtPort->setText(parametres.Port);
}

void TFicheFtpParam::btnEnregistrerClick()
{
    const ParametresFtp parametres = Saisie(*ui);
    if (ParametresIncomplets(parametres)) {
        ShowMessage(QStringLiteral("Veuillez renseigner la configuration FTP"));
        return;
    }
    EcrireParametresFtp(iniFile_, section_, parametres);
    accept();
}

void TFicheFtpParam::btnTestFtpClick()
{
    QString texte;
    {
        const WaitCursor hourglass;
        texte = TesterConnexionFtp(*IdFTP1, Saisie(*ui));
    }
    ShowMessage(texte);
}
