#include "TFicheRapportHistorique.h"

#include "RegleRapport.h"
#include "ui_TFicheRapportHistorique.h"

#include "Accessibility.h"
#include "ActionConnection.h"
#include "GuiSeams.h"

#include <QColor>
#include <QHeaderView>

TFicheRapportHistorique::TFicheRapportHistorique(QWidget* owner, const QString& nomFranchise,
                                                 const TNativeXmlQLF& historique)
    : QDialog(owner), ui(std::make_unique<Ui::TFicheRapportHistorique>()), historique_(historique)
{
    ui->setupUi(this);
    DescribeControls(this);
    // A long history is read more easily with the window maximised: resizable, with the
    // system menu, minimise and maximise boxes (a dialog gets neither box by default).
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(windowTitle() + QLatin1Char(' ') + nomFranchise);
    ui->lstRapportHistorique->setColumnWidth(0, 75);
    ui->lstRapportHistorique->setColumnWidth(1, 985);
    ConnectAction(ui->Button1, &QPushButton::clicked, this, &TFicheRapportHistorique::Button1Click);
    FormCreate();
}

TFicheRapportHistorique::~TFicheRapportHistorique() = default;

void TFicheRapportHistorique::FormCreate()
{
    std::vector<LigneHistorique> lues;
    LireHistorique(historique_, lues);
    for (const LigneHistorique& ligne : lues)
        AjouterLigne(ligne);
    ui->lstRapportHistorique->resizeRowsToContents();
}

void TFicheRapportHistorique::AjouterLigne(const LigneHistorique& ligne)
{
    QTableWidget* liste = ui->lstRapportHistorique;
    const int row = liste->rowCount();
    liste->insertRow(row);
    const QString etat = RegleRapport::TexteEtat(ligne.EnAnomalie);
    const QString textes[2] = {ligne.Date, ligne.Texte};
    for (int column = 0; column < 2; ++column) {
        auto* item = new QTableWidgetItem(textes[column]);
        // Red text alone is lost on a screen reader: the verdict is also the description.
        item->setData(Qt::AccessibleDescriptionRole, etat);
        if (column == 0 && !ligne.DateLisible) {
            item->setData(Qt::AccessibleDescriptionRole, QStringLiteral("date illisible"));
            item->setToolTip(QStringLiteral("Date illisible : « %1 »").arg(ligne.Date));
        }
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
