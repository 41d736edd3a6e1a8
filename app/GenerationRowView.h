#pragma once

#include "GenerationSequence.h"
#include "TFicheCordalis.h"

class QLabel;
class QProgressBar;

// Binds a "Générer" action to its row of the main window: the progress bar, the two
// "Générer" images and the two "Envoyer" images.
//
// While a generation runs the window keeps handling events, so the row's "Générer" button
// can be pressed again; a second generation of the same row would rewind the tables under the
// first one. Occupee() tells that a generation of this row is already running: the new press
// is then ignored.
class VueGenerationLigne : public VueGeneration
{
public:
    VueGenerationLigne(QProgressBar* barre, QLabel* genererOui, QLabel* genererNon,
                       QLabel* envoiOui, QLabel* envoiNon);
    ~VueGenerationLigne() override;
    VueGenerationLigne(const VueGenerationLigne&) = delete;
    VueGenerationLigne& operator=(const VueGenerationLigne&) = delete;

    bool Occupee() const { return occupee_; }

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
    bool occupee_ = false;
};

// Runs a "Générer" action on its row of the window, over the window's tables, writing into the
// preparation folder. A press while the row's generation is still running is ignored. Errors
// of the action propagate to the application's exception display.
using ActionGeneration = void (*)(const ContexteExport&, VueGeneration&);
void LancerGeneration(TFicheCordalis& fiche, TFicheCordalis::Ligne ligne, ActionGeneration action);
