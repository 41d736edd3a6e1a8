#include "TFicheRapport.h"

#include "RegleRapport.h"
#include "ui_TFicheRapport.h"

#include "Accessibility.h"
#include "ActionConnection.h"
#include "CordalisApplication.h"
#include "GuiResources.h"
#include "ProgressionRapports.h"
#include "TFicheRapportHistorique.h"

#include <QResizeEvent>
#include <QScopeGuard>

namespace {
// Positions of the lower controls as designed for a client area of 699 x 578: the list
// follows the width, the history button the height, the detail text both.
constexpr int HauteurConcue = 578;
constexpr int MargeBasBouton = HauteurConcue - 473 - 103;
constexpr int MargeBasMessage = HauteurConcue - 471 - 106;
} // namespace

TFicheRapport::TFicheRapport(QWidget* owner, DrapeauRapportsCharges rapportsCharges)
    : QDialog(owner), ui(std::make_unique<Ui::TFicheRapport>()),
      session_(SessionRapport::DuProgramme(ftpMaj, std::move(rapportsCharges)))
{
    ui->setupUi(this);
    DescribeControls(this);
    InitGuiResources();
    ilImages_[0] = QIcon(GuiResources::RoundGreen48);
    ilImages_[1] = QIcon(GuiResources::RoundRed48);
    ilImages_[2] = QIcon(GuiResources::Arrows48);

    ConnectAction(ui->btnActualiser, &QPushButton::clicked, this,
                  &TFicheRapport::btnActualiserClick);
    ConnectAction(ui->btnHistorique, &QPushButton::clicked, this,
                  &TFicheRapport::btnHistoriqueClick);
    ConnectAction(ui->lstRapport, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> selection = ui->lstRapport->selectedItems();
        lstRapportSelectItem(selection.value(0), !selection.isEmpty());
    });

    // The progress of "Actualiser": beside the button, shown during the pass only.
    progression_ = new ProgressionRapports(this);
    progression_->setGeometry(265, 7, 430, 51);
    progression_->hide();
    connect(progression_, &ProgressionRapports::arretDemande, this,
            [this] { session_.ArreterPasse(); });

    FormCreate();
}

TFicheRapport::~TFicheRapport() = default;

void TFicheRapport::FormCreate()
{
    // The glyph is set whatever the first pass gives: an error of the pass is shown as any
    // other unhandled error, and the window still opens with what was listed.
    try {
        ChargerRapports();
    } catch (...) {
        CordalisApplication::ShowCurrentException();
    }
    ui->btnActualiser->setIcon(ilImages_[2]);
}

void TFicheRapport::btnActualiserClick()
{
    ChargerRapports();
}

void TFicheRapport::ChargerRapports()
{
    // A close asked for during the pass is carried out once it has ended, whatever its end.
    const auto fermer = qScopeGuard([this] {
        if (std::exchange(fermerApresPasse_, false))
            QDialog::reject();
    });
    // Clearing the list fires a deselection, which keeps the text shown.
    ui->lstRapport->clear();
    textes_.clear();
    session_.ChargerRapports(
        ui->cseJour->value(), [this](const EntreeRapport& entree) { AjouterEntree(entree); }, this);
}

ProgressionRapports* TFicheRapport::Progression() const
{
    if (progressionFenetre_)
        return progressionFenetre_.get();
    return progression_->isVisible() ? progression_ : nullptr;
}

void TFicheRapport::reject()
{
    if (session_.PasseEnCours()) {
        fermerApresPasse_ = true;
        session_.ArreterPasse();
        return;
    }
    QDialog::reject();
}

void TFicheRapport::DebutPasse()
{
    if (!isVisible()) {
        // The first pass runs before this window appears: its progress shows over the owner.
        progressionFenetre_ = ProgressionRapports::Fenetre(parentWidget());
        connect(progressionFenetre_.get(), &ProgressionRapports::arretDemande, this,
                [this] { session_.ArreterPasse(); });
        return;
    }
    controlesSuspendus_.clear();
    for (QWidget* controle :
         {static_cast<QWidget*>(ui->cseJour), static_cast<QWidget*>(ui->btnActualiser),
          static_cast<QWidget*>(ui->lstRapport), static_cast<QWidget*>(ui->btnHistorique)}) {
        controlesSuspendus_.emplace_back(controle, controle->isEnabled());
        controle->setEnabled(false);
    }
    progression_->show();
    progression_->BtnArreter()->setFocus();
}

void TFicheRapport::AvancementPasse(int faits, int total)
{
    if (ProgressionRapports* progression = Progression())
        progression->Afficher(faits, total);
}

void TFicheRapport::FinPasse()
{
    progressionFenetre_.reset();
    progression_->hide();
    for (const auto& [controle, actif] : controlesSuspendus_)
        controle->setEnabled(actif);
    controlesSuspendus_.clear();
}

void TFicheRapport::AjouterEntree(const EntreeRapport& entree)
{
    auto* item = new QListWidgetItem(ilImages_[entree.EnAnomalie ? 1 : 0], entree.Nom);
    // The mark is only a colour: screen readers get it as the entry's description.
    item->setData(Qt::AccessibleDescriptionRole, RegleRapport::TexteEtat(entree.EnAnomalie));
    ui->lstRapport->addItem(item);
    textes_[item] = entree.Texte;
}

QString TFicheRapport::TexteRapport(const QListWidgetItem* entree) const
{
    const auto found = textes_.find(entree);
    return found == textes_.end() ? QString() : found->second;
}

void TFicheRapport::lstRapportSelectItem(QListWidgetItem* item, bool selected)
{
    ui->btnHistorique->setEnabled(false);
    nomFranchise_.clear();
    if (item && selected) {
        ui->btnHistorique->setEnabled(true);
        nomFranchise_ = item->text();
        ui->reMessage->setPlainText(TexteRapport(item));
    }
}

void TFicheRapport::btnHistoriqueClick()
{
    const QString nom = nomFranchise_;
    session_.RecupererHistorique(nom, [this, &nom](const TNativeXmlQLF& document) {
        TFicheRapportHistorique historique(this, nom, document);
        historique.exec();
    });
}

void TFicheRapport::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    const int w = width();
    const int h = height();
    ui->lstRapport->setGeometry(0, 72, w, 400);
    ui->btnHistorique->setGeometry(1, 473, 119, h - 473 - MargeBasBouton);
    ui->reMessage->setGeometry(122, 471, w - 122, h - 471 - MargeBasMessage);
}
