#include "TFicheCordalis.h"

#include "ActionConnection.h"
#include "AliasFolder.h"
#include "ProgramPaths.h"
#include "TFicheCordalisConfig.h"
#include "ui_TFicheCordalis.h"

#include "Accessibility.h"
#include "Exports.h"
#include "GuiResources.h"
#include "TFicheRapport.h"
#include "VueEnvoiLigne.h"
#include "VueGenerationLigne.h"

#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <utility>

TFicheCordalis::TFicheCordalis(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::TFicheCordalis>()),
      canalFtp_(IdFTP1, ProgramPaths::FichierIni()),
      actionsEnvoi_(canalFtp_, ProgramPaths::DossierPreparation())
{
    InitGuiResources();
    ui->setupUi(this);
    DescribeControls(this);

    // A fixed-size window with the system menu and minimise only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(473, 274);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    // The state images are shown by the actions only.
    for (Ligne ligne : {Ligne::RemiseAchat, Ligne::Perso, Ligne::Message, Ligne::Document}) {
        const ControlesLigne c = Controles(ligne);
        for (QLabel* image : {c.imgGenererYes, c.imgGenererNo, c.imgEnvoiYes, c.imgEnvoiNo})
            image->hide();
    }

    using Action = void (TFicheCordalis::*)();
    const std::pair<QPushButton*, Action> actions[] = {
        {ui->btnGenererRA, &TFicheCordalis::btnGenererRAClick},
        {ui->btnGenererPerso, &TFicheCordalis::btnGenererPersoClick},
        {ui->btnGenererMessage, &TFicheCordalis::btnGenererMessageClick},
        {ui->btnGenererDocument, &TFicheCordalis::btnGenererDocumentClick},
        {ui->btnEnvoiRA, &TFicheCordalis::btnEnvoiRAClick},
        {ui->btnEnvoiPerso, &TFicheCordalis::btnEnvoiPersoClick},
        {ui->btnEnvoiMessage, &TFicheCordalis::btnEnvoiMessageClick},
        {ui->btnEnvoiDocument, &TFicheCordalis::btnEnvoiDocumentClick},
        {ui->btnConfig, &TFicheCordalis::btnConfigClick},
        {ui->btnRapport, &TFicheCordalis::btnRapportClick},
        {ui->btnFermer, &TFicheCordalis::btnFermerClick}};
    for (const auto& [button, action] : actions)
        ConnectAction(button, &QPushButton::clicked, this, action);

    // The head office tables, on the folder of the database alias. Opened by the exports.
    const QString alias = AliasFolder(ProgramPaths::FichierIni(), ProgramPaths::DataFolder());
    tables_ = std::make_unique<TablesSiege>(alias);

    // The exports write into the preparation folder.
    CreerDossierPreparation();

    FormCreate();
}

TFicheCordalis::~TFicheCordalis() = default;

void TFicheCordalis::FormCreate()
{
    SetRapportsCharges(false);
    LireParametres(ProgramPaths::FichierIni());
}

void TFicheCordalis::LireParametres(const QString& fichierIni)
{
    const std::optional<ParametresFenetre> parametres = LireParametresFenetre(fichierIni);
    if (!parametres)
        return;

    const Ligne lignes[] = {Ligne::RemiseAchat, Ligne::Perso, Ligne::Message, Ligne::Document};
    for (int i = 0; i < 4; ++i) {
        const ControlesLigne c = Controles(lignes[i]);
        c.btnGenerer->setEnabled(parametres->Lignes[i]);
        c.btnEnvoi->setEnabled(parametres->Lignes[i]);
    }

    parametres->AppliquerCanal(typeEnvoi_, cheminUri_);
}

TFicheCordalis::ControlesLigne TFicheCordalis::Controles(Ligne ligne) const
{
    switch (ligne) {
    case Ligne::RemiseAchat:
        return {ui->lblRA,          ui->btnGenererRA, ui->pgbGenererRA,  ui->imgGenererRAYes,
                ui->imgGenererRANo, ui->btnEnvoiRA,   ui->imgEnvoiRAYes, ui->imgEnvoiRANo};
    case Ligne::Perso:
        return {ui->lblPerso,           ui->btnGenererPerso,   ui->pgbGenererPerso,
                ui->imgGenererPersoYes, ui->imgGenererPersoNo, ui->btnEnvoiPerso,
                ui->imgEnvoiPersoYes,   ui->imgEnvoiPersoNo};
    case Ligne::Message:
        return {ui->lblMessage,           ui->btnGenererMessage,   ui->pgbGenererMessage,
                ui->imgGenererMessageYes, ui->imgGenererMessageNo, ui->btnEnvoiMessage,
                ui->imgEnvoiMessageYes,   ui->imgEnvoiMessageNo};
    case Ligne::Document:
        break;
    }
    return {ui->lblDocument,           ui->btnGenererDocument,   ui->pgbGenererDocument,
            ui->imgGenererDocumentYes, ui->imgGenererDocumentNo, ui->btnEnvoiDocument,
            ui->imgEnvoiDocumentYes,   ui->imgEnvoiDocumentNo};
}

QPushButton* TFicheCordalis::BtnConfig() const
{
    return ui->btnConfig;
}
QPushButton* TFicheCordalis::BtnRapport() const
{
    return ui->btnRapport;
}
QPushButton* TFicheCordalis::BtnFermer() const
{
    return ui->btnFermer;
}

void TFicheCordalis::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}

// Closing the window ends the program; the upload channel closes its connection here.
void TFicheCordalis::FormClose()
{
    canalFtp_.DeconnexionFTP();
}

// Purchase conditions export.
void TFicheCordalis::btnGenererRAClick()
{
    GenererLigne(Ligne::RemiseAchat, GenererRemiseAchat);
}

// Model customisation export.
void TFicheCordalis::btnGenererPersoClick()
{
    GenererLigne(Ligne::Perso, GenererPersonnalisation);
}

// Message export.
void TFicheCordalis::btnGenererMessageClick()
{
    GenererLigne(Ligne::Message, GenererMessages);
}

// Document export.
void TFicheCordalis::btnGenererDocumentClick()
{
    GenererLigne(Ligne::Document, GenererDocuments);
}

// Runs a row's export over the window's tables into the preparation folder. Errors of the
// action propagate to the application's exception display.
void TFicheCordalis::GenererLigne(Ligne ligne, ActionGeneration action)
{
    bool& enCours = generationEnCours_[static_cast<size_t>(ligne)];
    if (enCours)
        return;
    enCours = true;
    const auto fin = qScopeGuard([&enCours] { enCours = false; });

    const ControlesLigne c = Controles(ligne);
    VueGenerationLigne vue(c.pgbGenerer, c.imgGenererYes, c.imgGenererNo, c.imgEnvoiYes,
                           c.imgEnvoiNo);
    action(ContexteDuProgramme(TablesExports()), vue);
}

// Sending of the purchase conditions.
void TFicheCordalis::btnEnvoiRAClick()
{
    EnvoyerLigne(Ligne::RemiseAchat, JeuDonnees::RemiseAchat);
}

// Sending of the model customisation.
void TFicheCordalis::btnEnvoiPersoClick()
{
    EnvoyerLigne(Ligne::Perso, JeuDonnees::Personnalisation);
}

// Sending of the messages.
void TFicheCordalis::btnEnvoiMessageClick()
{
    EnvoyerLigne(Ligne::Message, JeuDonnees::Message);
}

// Sending of the documents.
void TFicheCordalis::btnEnvoiDocumentClick()
{
    EnvoyerLigne(Ligne::Document, JeuDonnees::Document);
}

// Sends a row's files through the channel of the settings and shows the outcome on the row.
void TFicheCordalis::EnvoyerLigne(Ligne ligne, JeuDonnees jeu)
{
    const ControlesLigne c = Controles(ligne);
    VueEnvoiLigne vue(c.imgEnvoiYes, c.imgEnvoiNo);
    actionsEnvoi_.Envoyer(jeu, typeEnvoi_, cheminUri_, vue);
}

// The settings dialog; whatever it did, the settings are read again afterwards.
void TFicheCordalis::btnConfigClick()
{
    {
        TFicheCordalisConfig dialog(this, ProgramPaths::FichierIni());
        dialog.exec();
    }
    LireParametres(ProgramPaths::FichierIni());
}

// The update report window.
void TFicheCordalis::btnRapportClick()
{
    // The report window reads and sets this window's "reports downloaded" flag, which
    // outlives it so that later openings in the same run download nothing.
    TFicheRapport rapport(this, {[this] { return GetRapportsCharges(); },
                                 [this](bool value) { SetRapportsCharges(value); }});
    rapport.exec();
}

void TFicheCordalis::btnFermerClick()
{
    close();
}
