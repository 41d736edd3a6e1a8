#pragma once

#include "SequenceGeneration.h"

class QLabel;
class QProgressBar;

// Binds a "Générer" action to its row of the main window: the progress bar, the two
// "Générer" images and the two "Envoyer" images.
class VueGenerationLigne : public VueGeneration
{
public:
    VueGenerationLigne(QProgressBar* barre, QLabel* genererOui, QLabel* genererNon,
                       QLabel* envoiOui, QLabel* envoiNon);

    void CacherImages() override;
    void FixerPosition(int position) override;
    void FixerMaximum(int maximum) override;
    void Avancer() override;
    void TraiterMessages() override;
    void AfficherGenererOui() override;

private:
    QProgressBar* barre_;
    QLabel* genererOui_;
    QLabel* genererNon_;
    QLabel* envoiOui_;
    QLabel* envoiNon_;
};
