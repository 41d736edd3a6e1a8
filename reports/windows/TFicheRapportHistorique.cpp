#include "TFicheRapportHistorique.h"
#include "ui_TFicheRapportHistorique.h"

#include "Accessibility.h"
#include "ActionConnection.h"
#include "CordalisApplication.h"
#include "GuiSeams.h"

#include <QColor>
#include <QHeaderView>

TFicheRapportHistorique::TFicheRapportHistorique(QWidget* owner, const QString& nomFranchise,
                                                 const TNativeXmlQLF& historique)
    : QDialog(owner), ui(std::make_unique<Ui::TFicheRapportHistorique>()), historique_(historique)
{
    ui->setupUi(this);
    DescribeControls(this);
    setWindowTitle(windowTitle() + QLatin1Char(' ') + nomFranchise);
    ui->lstRapportHistorique->setColumnWidth(0, 75);
    ui->lstRapportHistorique->setColumnWidth(1, 985);
    ConnectAction(ui->Button1, &QPushButton::clicked, this, &TFicheRapportHistorique::Button1Click);
    FormCreate();
}

TFicheRapportHistorique::~TFicheRapportHistorique() = default;

void TFicheRapportHistorique::FormCreate()
{
    // A Date that does not convert stops the filling at its run: the runs before it are
    // listed, the error is shown, and the window still opens.
    std::vector<LigneHistorique> lues;
    std::exception_ptr erreur;
    try {
        LireHistorique(historique_, lues);
    } catch (...) {
        erreur = std::current_exception();
    }
    for (const LigneHistorique& ligne : lues)
        AjouterLigne(ligne);
    ui->lstRapportHistorique->resizeRowsToContents();
    if (erreur) {
        try {
            std::rethrow_exception(erreur);
        } catch (...) {
            CordalisApplication::ShowCurrentException();
        }
    }
}

void TFicheRapportHistorique::AjouterLigne(const LigneHistorique& ligne)
{
    QTableWidget* liste = ui->lstRapportHistorique;
    const int row = liste->rowCount();
    liste->insertRow(row);
    const QString etat =
        ligne.EnAnomalie ? QStringLiteral("en anomalie") : QStringLiteral("en ordre");
    const QString textes[2] = {ligne.Date, ligne.Texte};
    for (int column = 0; column < 2; ++column) {
        auto* item = new QTableWidgetItem(textes[column]);
        // Red text alone is lost on a screen reader: the verdict is also the description.
        item->setData(Qt::AccessibleDescriptionRole, etat);
        if (ligne.EnAnomalie)
            item->setForeground(QColor(255, 0, 0));
        liste->setItem(row, column, item);
    }
    lignes_.push_back(ligne);
}

void TFicheRapportHistorique::Button1Click()
{
    const QString fichier =
        Dialogs::GetSaveFileName(this, QStringLiteral("Export rapport Velmora historique"),
                                 QStringLiteral("Fichier csv|*.csv"), QStringLiteral("csv"));
    if (fichier.isEmpty())
        return;
    EcrireCsv(fichier, lignes_);
}
