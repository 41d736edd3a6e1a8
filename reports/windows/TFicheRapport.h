#pragma once

#include "FtpClient.h"
#include "SessionRapport.h"

#include <QDialog>
#include <QIcon>
#include <QString>
#include <map>
#include <memory>
#include <utility>
#include <vector>

class ProgressionRapports;
class QListWidgetItem;

namespace Ui {
class TFicheRapport;
}

// The window "Rapport de la Velmora": lists every franchisee of the report server with a
// green or red mark, shows the detail text of the selected one and opens its history. The
// first pass runs while the window is built; "Actualiser" runs it again with the current
// day count. Report files are downloaded once per run of the program: the flag that says so
// lives in the main window and is handed in as a pair of functions.
//
// While a pass runs the window keeps answering: the first pass shows its progress in a window
// over the owner, a later one inside this window, with "Arrêter"; nothing else can be used,
// and the close box (or Escape) stops the pass before the window closes.
class TFicheRapport : public QDialog, private VuePasse
{
    Q_OBJECT

public:
    TFicheRapport(QWidget* owner, DrapeauRapportsCharges rapportsCharges);
    ~TFicheRapport() override;

    // One pass over /Rapport: empties the list, then lists what the session hands back.
    // Errors of the FTP client are thrown; the entries listed before stay.
    void ChargerRapports();
    // The detail text stored for an entry of the last pass; empty when none.
    QString TexteRapport(const QListWidgetItem* entree) const;

    // The name of the selected franchisee; empty when nothing is selected.
    QString NomFranchise() const { return nomFranchise_; }

    // The progress shown during a pass, inside this window or over its owner; none between
    // passes.
    ProgressionRapports* Progression() const;

    // During a pass: stops it, and the window closes once it has ended.
    void reject() override;

public slots:
    void btnActualiserClick();
    void btnHistoriqueClick();
    // Selection handling: an entry now selected (item, true) enables "Voir l'historique"
    // and shows its text; anything else disables the button and keeps the text.
    void lstRapportSelectItem(QListWidgetItem* item, bool selected);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void FormCreate();
    void AjouterEntree(const EntreeRapport& entree);

    void DebutPasse() override;
    void AvancementPasse(int faits, int total) override;
    void FinPasse() override;

    std::unique_ptr<Ui::TFicheRapport> ui;
    FtpClient ftpMaj;
    SessionRapport session_;
    QIcon ilImages_[3];
    std::map<const QListWidgetItem*, QString> textes_;
    QString nomFranchise_;

    // The progress of "Actualiser", and the window of the first pass's.
    ProgressionRapports* progression_;
    std::unique_ptr<ProgressionRapports> progressionFenetre_;
    // The controls disabled during a pass, with whether each was enabled before.
    std::vector<std::pair<QWidget*, bool>> controlesSuspendus_;
    bool fermerApresPasse_ = false;
};
