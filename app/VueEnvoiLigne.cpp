#include "VueEnvoiLigne.h"

#include <QCoreApplication>
#include <QLabel>

VueEnvoiLigne::VueEnvoiLigne(QLabel* imgEnvoiYes, QLabel* imgEnvoiNo)
    : imgEnvoiYes_(imgEnvoiYes), imgEnvoiNo_(imgEnvoiNo)
{
}

void VueEnvoiLigne::MasquerEtatEnvoi()
{
    imgEnvoiYes_->hide();
    imgEnvoiNo_->hide();
}

void VueEnvoiLigne::AfficherEtatEnvoi(bool envoye)
{
    imgEnvoiYes_->setVisible(envoye);
    imgEnvoiNo_->setVisible(!envoye);
}

void VueEnvoiLigne::DebutEnvoi()
{
    sablier_.emplace();
}

void VueEnvoiLigne::TraiterMessagesEnAttente()
{
    QCoreApplication::processEvents();
}

void VueEnvoiLigne::FinEnvoi()
{
    sablier_.reset();
}
