#pragma once

#include "FtpClient.h"
#include "SessionRapport.h"

#include <QDialog>
#include <QIcon>
#include <QString>
#include <map>
#include <memory>

class QListWidgetItem;

namespace Ui {
class TFicheRapport;
}

// The window "Rapport de la Velmora": lists every franchisee of the report server with a
// green or red mark, shows the detail text of the selected one and opens its history. The
// first pass runs while the window is built; "Actualiser" runs it again with the current
// day count. Report files are downloaded once per run of the program: the flag that says so
// lives in the main window and is handed in as a pair of functions.
class TFicheRapport : public QDialog
{
    Q_OBJECT

public:
    TFicheRapport(QWidget* owner, DrapeauRapportsCharges rapportsCharges);
    ~TFicheRapport() override;

    // One pass over /Rapport: empties the list, then lists what the session hands back.
    // Errors of the FTP client and a Date that does not convert are thrown; the entries
    // listed before stay.
    void ChargerRapports();
    // The detail text stored for an entry of the last pass; empty when none.
    QString TexteRapport(const QListWidgetItem* entree) const;

    // The name of the selected franchisee; empty when nothing is selected.
    QString NomFranchise() const { return nomFranchise_; }

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

    std::unique_ptr<Ui::TFicheRapport> ui;
    FtpClient ftpMaj;
    SessionRapport session_;
    QIcon ilImages_[3];
    std::map<const QListWidgetItem*, QString> textes_;
    QString nomFranchise_;
};
