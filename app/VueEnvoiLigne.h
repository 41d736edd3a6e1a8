#pragma once

#include "ActionsEnvoi.h"
#include "GuiSeams.h"

#include <optional>

class QLabel;

// Binds a send action to its row of the main window: the row's "Envoyer" green check and red
// cross, the hourglass while the files are sent, and the window's event loop.
class VueEnvoiLigne : public VueEnvoi
{
public:
    VueEnvoiLigne(QLabel* imgEnvoiYes, QLabel* imgEnvoiNo);

    void MasquerEtatEnvoi() override;
    void AfficherEtatEnvoi(bool envoye) override;
    void DebutEnvoi() override;
    void TraiterMessagesEnAttente() override;
    void FinEnvoi() override;

private:
    QLabel* imgEnvoiYes_;
    QLabel* imgEnvoiNo_;
    std::optional<WaitCursor> sablier_;
};
