#pragma once

#include "ActionsEnvoi.h"
#include "CanalFtp.h"
#include "ExportLayout.h"
#include "Exports.h"
#include "FtpClient.h"
#include "ParametresFenetre.h"
#include "TTable.h"

#include <QString>
#include <QWidget>
#include <array>
#include <memory>

class QCloseEvent;
class QLabel;
class QProgressBar;
class QPushButton;

namespace Ui {
class TFicheCordalis;
}

// The main window: one row per data set (export with "Générer", publication with
// "Envoyer"), and the buttons "Configurer", "Rapport" and "Fermer". It reads from the
// settings file which rows are offered and which channel sends the exports, and holds the
// head office tables that the exports read. The actions themselves live in plain classes of
// export/, distribution/, reports/ and settings/; each handler below binds one of them to
// the window's controls.
class TFicheCordalis : public QWidget
{
    Q_OBJECT

public:
    // The rows, from top to bottom.
    enum class Ligne
    {
        RemiseAchat,
        Perso,
        Message,
        Document
    };

    // The controls of one row.
    struct ControlesLigne
    {
        QLabel* lbl;
        QPushButton* btnGenerer;
        QProgressBar* pgbGenerer;
        QLabel* imgGenererYes;
        QLabel* imgGenererNo;
        QPushButton* btnEnvoi;
        QLabel* imgEnvoiYes;
        QLabel* imgEnvoiNo;
    };

    // Builds the window from ProgramPaths (which must be initialised), creates the
    // preparation folder when it is missing, then runs FormCreate.
    explicit TFicheCordalis(QWidget* parent = nullptr);
    ~TFicheCordalis() override;

    // Reads the settings file and applies it: enables both buttons of each row from the
    // row's key, selects the send channel and its folder. A missing file changes nothing.
    void LireParametres(const QString& fichierIni);

    TTypeEnvoi TypeEnvoi() const { return typeEnvoi_; }
    // The target folder of the folder channel, as read from the settings (a plain prefix).
    QString CheminUri() const { return cheminUri_; }

    // Whether the update reports were already downloaded during this run.
    bool GetRapportsCharges() const { return rapportsCharges_; }
    void SetRapportsCharges(bool value) { rapportsCharges_ = value; }

    ControlesLigne Controles(Ligne ligne) const;
    QPushButton* BtnConfig() const;
    QPushButton* BtnRapport() const;
    QPushButton* BtnFermer() const;

    // The head office tables, read-only, never opened by the window itself.
    TTable& TblRemise() { return tables_->Remise; }
    TTable& TblFns() { return tables_->Fns; }
    TTable& TblPerso() { return tables_->Perso; }
    TTable& TblMessage() { return tables_->Message; }
    TTable& TblMessageType() { return tables_->MessageType; }
    TTable& TblMesDocs() { return tables_->MesDocs; }
    TTable& TblMesDocsType() { return tables_->MesDocsType; }
    // The seven tables, lent to an export.
    TablesExport TablesExports() { return tables_->PourExport(); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormClose();

    void btnGenererRAClick();
    void btnGenererPersoClick();
    void btnGenererMessageClick();
    void btnGenererDocumentClick();
    // The common body of the four handlers above. While a generation runs the window keeps
    // handling events, so the row's "Générer" can be pressed again: that press is ignored, as
    // a second generation of the same row would rewind the tables under the first one.
    void GenererLigne(Ligne ligne, ActionGeneration action);

    void btnEnvoiRAClick();
    void btnEnvoiPersoClick();
    void btnEnvoiMessageClick();
    void btnEnvoiDocumentClick();
    // The common body of the four handlers above.
    void EnvoyerLigne(Ligne ligne, JeuDonnees jeu);

    void btnConfigClick();
    void btnRapportClick();
    void btnFermerClick();

    std::unique_ptr<Ui::TFicheCordalis> ui;

    TTypeEnvoi typeEnvoi_ = EnvoiFtp;
    QString cheminUri_;
    bool rapportsCharges_ = false;
    // The rows whose generation is running, by Ligne.
    std::array<bool, 4> generationEnCours_{};

    std::unique_ptr<TablesSiege> tables_;

    // The upload channel's own FTP client (IPv4, passive) and the send actions over it.
    FtpClient IdFTP1;
    CanalFtp canalFtp_;
    ActionsEnvoi actionsEnvoi_;
};
