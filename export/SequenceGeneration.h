#pragma once

#include "ExportLayout.h"

#include <QElapsedTimer>
#include <QString>
#include <functional>
#include <vector>

class QObject;
class TTable;
class TXMLNodeQLF;

// What a "Générer" action shows on its row of the main window while it runs. The window
// binds it to the row's controls; tests record the calls.
class VueGeneration
{
public:
    virtual ~VueGeneration() = default;
    // Hides the row's two "Générer" and two "Envoyer" state images.
    virtual void CacherImages() = 0;
    virtual void FixerPosition(int position) = 0;
    virtual void FixerMaximum(int maximum) = 0;
    // Advances the progress bar by one row.
    virtual void Avancer() = 0;
    // Lets the window repaint and handle its pending events.
    virtual void TraiterMessages() = 0;
    // Shows the row's "Générer" Yes image: the files have been written.
    virtual void AfficherGenererOui() = 0;
};

// The view of an export run without a window: shows nothing, counts the records read.
class VueGenerationMuette : public VueGeneration
{
public:
    void CacherImages() override {}
    void FixerPosition(int) override {}
    void FixerMaximum(int) override {}
    void Avancer() override { ++enregistrements_; }
    void TraiterMessages() override {}
    void AfficherGenererOui() override {}

    int Enregistrements() const { return enregistrements_; }

private:
    int enregistrements_ = 0;
};

// One export file: its table, its name in the preparation folder, its root element, and how
// a row is chosen and written.
struct FichierExport
{
    QString Cle;                // data-set key of the table (TableParCle)
    QString NomFichier;         // e.g. "remise_achat.xml"
    QString Racine;             // root element, e.g. "RemisesAchat"
    bool Configuration = false; // writes Configuration ViderExterne="1" after Version
    // Called on the current row; an empty filter accepts every row.
    std::function<bool(TTable&)> Filtre;
    // Fills the row's Ligne element; EcrireLigne when empty.
    std::function<void(TTable&, TXMLNodeQLF&)> Ecrire;
};

// Where an export reads and writes.
struct ContexteExport
{
    QString DossierPreparation; // with its trailing separator
    QString FichierIni;         // the settings file (supplier exclusion list)
    TablesExport Tables;
    QObject* Proprietaire = nullptr; // owner of the XML documents (the application object)
};

// Creates the program's preparation folder when it is missing. A failure is not reported
// here: it shows as the failure of the first export or send.
void CreerDossierPreparation();

// The program's own context over the given tables: its preparation folder (created when
// missing), its settings file, documents owned by the application object.
ContexteExport ContexteDuProgramme(TablesExport tables);

// The common sequence of every "Générer" action: hide the row's images, then for each file in
// turn open its table, build the document (Version, optional Configuration, Lignes with one
// Ligne per accepted row), save it into the preparation folder and close the table; at the
// end show the Yes image.
//
// Errors of the table and XML layers are not caught: they end the action with their own
// message. A file is only replaced once its document is complete, so a failure never leaves
// half a file, and a file saved by an earlier step stays. Tables are closed on every path.
class SequenceGeneration
{
public:
    SequenceGeneration(ContexteExport contexte, VueGeneration& vue);

    void Executer(const std::vector<FichierExport>& fichiers);

    // Shortest time between two event pumps while rows are being written. The progress bar
    // still moves row by row; only the repaints are spaced out.
    static constexpr int IntervallePompageMs = 5;

private:
    void GenererFichier(const FichierExport& fichier, bool plusieursFichiers);
    void PomperSiDu();

    ContexteExport contexte_;
    VueGeneration& vue_;
    int maximum_ = 0;
    QElapsedTimer dernierPompage_;
};
