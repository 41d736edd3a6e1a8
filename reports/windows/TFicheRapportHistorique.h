#pragma once

#include "LigneHistorique.h"

#include <QDialog>
#include <QString>
#include <memory>
#include <vector>

class TNativeXmlQLF;

namespace Ui {
class TFicheRapportHistorique;
}

// One franchisee's automatic-update history: one row per run (date, state text), runs in
// trouble in red, and "Exporter" to write the rows as a CSV file. The document belongs to
// the caller and must outlive the window; the window only reads it while it is built.
class TFicheRapportHistorique : public QDialog
{
    Q_OBJECT

public:
    TFicheRapportHistorique(QWidget* owner, const QString& nomFranchise,
                            const TNativeXmlQLF& historique);
    ~TFicheRapportHistorique() override;

    // The rows as listed, in order.
    const std::vector<LigneHistorique>& Lignes() const { return lignes_; }

public slots:
    void Button1Click();

private:
    void FormCreate();
    void AjouterLigne(const LigneHistorique& ligne);

    std::unique_ptr<Ui::TFicheRapportHistorique> ui;
    const TNativeXmlQLF& historique_;
    std::vector<LigneHistorique> lignes_;
};
