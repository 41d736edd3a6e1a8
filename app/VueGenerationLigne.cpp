#include "VueGenerationLigne.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>

VueGenerationLigne::VueGenerationLigne(QProgressBar* barre, QLabel* genererOui, QLabel* genererNon,
                                       QLabel* envoiOui, QLabel* envoiNon)
    : barre_(barre), genererOui_(genererOui), genererNon_(genererNon), envoiOui_(envoiOui),
      envoiNon_(envoiNon)
{
}

void VueGenerationLigne::CacherImages()
{
    genererOui_->hide();
    genererNon_->hide();
    envoiOui_->hide();
    envoiNon_->hide();
}

void VueGenerationLigne::FixerPosition(int position)
{
    // A bar whose range does not hold the position would ignore it.
    if (position > barre_->maximum())
        barre_->setMaximum(position);
    barre_->setValue(position);
}

void VueGenerationLigne::FixerMaximum(int maximum)
{
    // Qt draws a bar whose range is 0 to 0 as "busy", an endless animation: after an empty
    // table nothing is running, so the bar is shown empty instead (a range of 0 to 1 at 0).
    barre_->setMaximum(maximum > 0 ? maximum : 1);
}

void VueGenerationLigne::Avancer()
{
    barre_->setValue(barre_->value() + 1);
}

void VueGenerationLigne::TraiterMessages()
{
    QCoreApplication::processEvents();
}

void VueGenerationLigne::AfficherGenererOui()
{
    genererOui_->show();
}
