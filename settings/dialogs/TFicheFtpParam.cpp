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
// Only emptiness counts: a field holding only spaces passes.
bool SaisieIncomplete(const Ui::TFicheFtpParam& ui)
{
    return ui.edtLogin->text().isEmpty() || ui.edtPassword->text().isEmpty() ||
           ui.edtHost->text().isEmpty() || ui.edtPort->text().isEmpty();
}

// The section as read from the file, with what the edits hold in place of their keys. The port
// is converted here, before anything is written or any connection is tried: a port that is not
// an integer, or not a port, throws ConvertError.
ParametresFtp Saisie(const Ui::TFicheFtpParam& ui, ParametresFtp parametres)
{
    parametres.Port = PortSaisi(ui.edtPort->text());
    parametres.Login = ui.edtLogin->text();
    parametres.Mdp = ui.edtPassword->text();
    parametres.Host = ui.edtHost->text();
    parametres.TLS = ui.cbTLS->isChecked();
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
    ui->edtPort->setText(QString::number(parametres.Port));
    ui->cbTLS->setChecked(parametres.TLS);
}

void TFicheFtpParam::btnEnregistrerClick()
{
    if (SaisieIncomplete(*ui)) {
        ShowMessage(QStringLiteral("Veuillez renseigner la configuration FTP"));
        return;
    }
    EcrireParametresFtp(iniFile_, section_, Saisie(*ui, {}));
    accept();
}

void TFicheFtpParam::btnTestFtpClick()
{
    // The keys that the dialog does not edit come from the file as it is now.
    const ParametresFtp parametres = Saisie(*ui, LireParametresFtp(iniFile_, section_));
    QString texte;
    {
        const WaitCursor hourglass;
        texte = TesterConnexionFtp(*IdFTP1, parametres);
    }
    ShowMessage(texte);
}
