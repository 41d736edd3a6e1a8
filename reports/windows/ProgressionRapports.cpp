#include "ProgressionRapports.h"
#include "ui_ProgressionRapports.h"

#include "Accessibility.h"

#include <QCloseEvent>
#include <QKeyEvent>

ProgressionRapports::ProgressionRapports(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::ProgressionRapports>())
{
    ui->setupUi(this);
    DescribeControls(this);
    connect(ui->btnArreter, &QPushButton::clicked, this, &ProgressionRapports::arretDemande);
}

ProgressionRapports::~ProgressionRapports() = default;

std::unique_ptr<ProgressionRapports> ProgressionRapports::Fenetre(QWidget* owner)
{
    auto fenetre = std::make_unique<ProgressionRapports>(owner);
    fenetre->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowCloseButtonHint);
    fenetre->setWindowModality(Qt::ApplicationModal);
    fenetre->layout()->setContentsMargins(11, 11, 11, 11);
    fenetre->setFixedSize(fenetre->sizeHint().expandedTo(QSize(400, 0)));
    if (owner)
        fenetre->move(owner->geometry().center() - fenetre->rect().center());
    fenetre->show();
    return fenetre;
}

void ProgressionRapports::Afficher(int faits, int total)
{
    if (total < 0) {
        ui->lblCompte->clear();
        ui->pgbRapports->setRange(0, 0);
        return;
    }
    ui->lblCompte->setText(QStringLiteral("%1 / %2").arg(faits).arg(total));
    // A range of 0 to 0 would make the bar run without a count.
    ui->pgbRapports->setRange(0, qMax(total, 1));
    ui->pgbRapports->setValue(faits);
}

QPushButton* ProgressionRapports::BtnArreter() const
{
    return ui->btnArreter;
}

void ProgressionRapports::closeEvent(QCloseEvent* event)
{
    event->ignore();
    emit arretDemande();
}

void ProgressionRapports::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && isWindow()) {
        emit arretDemande();
        return;
    }
    QWidget::keyPressEvent(event);
}
