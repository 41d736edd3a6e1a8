#pragma once

#include "ListesFournisseurs.h"

#include <QDialog>
#include <QString>
#include <memory>

class QTreeWidget;
class TTable;
namespace Ui {
class TFicheExclureFnsListe;
}

// Chooses the suppliers whose purchase conditions are not published: every supplier of
// FOURNIS.DB sits in the included or the excluded list; "Enregistrer" stores the excluded
// codes in the "Cordalis_FNS_Exclu" section of the settings file.
class TFicheExclureFnsListe : public QDialog
{
    Q_OBJECT

public:
    // aliasFolder: where FOURNIS.DB lies; empty = the alias folder the settings file names.
    TFicheExclureFnsListe(QWidget* owner, QString iniFile, QString aliasFolder = QString());
    ~TFicheExclureFnsListe() override;

    // Reactions, public so that tests can run them the way a click would.
    void btnExclrueClick();
    void btnReintegrerClick();
    void lvFnsSourceDblClick();
    void lvFnsExcluDblClick();
    void btnEnregistrerClick();

    // False when the supplier table could not be read whole: the lists are then incomplete
    // and "Enregistrer" is refused, so that the stored exclusions are not lost.
    bool ListesCompletes() const { return listesCompletes_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void Afficher();
    static std::vector<int> PositionsSelectionnees(const QTreeWidget& list);

    std::unique_ptr<Ui::TFicheExclureFnsListe> ui;
    QString iniFile_;
    // The dialog's own table on FOURNIS.DB, open until the dialog is destroyed.
    std::unique_ptr<TTable> tblFns;
    ListesFournisseurs listes_;
    bool listesCompletes_ = false;
};
