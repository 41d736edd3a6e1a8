#pragma once

#include "ActionsEnvoi.h"
#include "MessageBox.h"

#include <QStringList>

// A row view that writes down, in order, what the send action did to it. Messages shown
// while it lives go into the same journal ("message: …"), so a test sees their place among
// the row's changes.
class VueEnregistree : public VueEnvoi
{
public:
    VueEnregistree()
    {
        precedent_ = SetMessageHandler([this](const QString& texte) {
            messages << texte;
            journal << QStringLiteral("message");
        });
    }
    ~VueEnregistree() override { SetMessageHandler(precedent_); }

    void MasquerEtatEnvoi() override { journal << QStringLiteral("masquer"); }
    void AfficherEtatEnvoi(bool envoye) override
    {
        journal << (envoye ? QStringLiteral("coche verte") : QStringLiteral("croix rouge"));
    }
    void DebutEnvoi() override { journal << QStringLiteral("sablier"); }
    void TraiterMessagesEnAttente() override { journal << QStringLiteral("messages traités"); }
    void FinEnvoi() override { journal << QStringLiteral("curseur normal"); }

    void effacer()
    {
        journal.clear();
        messages.clear();
    }

    QStringList journal;
    QStringList messages;

private:
    MessageHandler precedent_;
};
