#include "SequenceGeneration.h"

#include "Errors.h"
#include "ProgramPaths.h"
#include "TNativeXmlQLF.h"
#include "TTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <utility>

void CreerDossierPreparation()
{
    const QString preparation = ProgramPaths::DossierPreparation();
    if (!QFileInfo(preparation).isDir())
        QDir().mkdir(preparation);
}

ContexteExport ContexteDuProgramme(TablesExport tables)
{
    CreerDossierPreparation();
    ContexteExport contexte;
    contexte.DossierPreparation = ProgramPaths::DossierPreparation();
    contexte.FichierIni = ProgramPaths::FichierIni();
    contexte.Tables = std::move(tables);
    contexte.Proprietaire = QCoreApplication::instance();
    return contexte;
}

SequenceGeneration::SequenceGeneration(ContexteExport contexte, VueGeneration& vue)
    : contexte_(std::move(contexte)), vue_(vue)
{
}

void SequenceGeneration::Executer(const std::vector<FichierExport>& fichiers)
{
    const bool plusieursFichiers = fichiers.size() > 1;
    vue_.CacherImages();
    vue_.FixerPosition(0);
    maximum_ = 0;
    if (plusieursFichiers)
        vue_.FixerMaximum(0);
    dernierPompage_.invalidate();

    for (const FichierExport& fichier : fichiers)
        GenererFichier(fichier, plusieursFichiers);

    vue_.AfficherGenererOui();
}

void SequenceGeneration::GenererFichier(const FichierExport& fichier, bool plusieursFichiers)
{
    TTable* table = TableParCle(contexte_.Tables, fichier.Cle);
    if (!table)
        throw TableError(QStringLiteral("Aucune table pour la clé « %1 ».").arg(fichier.Cle));
    FermetureTable fermeture(*table);
    if (!table->Active())
        table->Open();

    TNativeXmlQLF document(fichier.Racine, contexte_.Proprietaire);
    TXMLNodeQLF* racine = document.Root();

    if (std::unique_ptr<TXMLNodeQLF> version = racine->AddChild(QStringLiteral("Version"))) {
        version->SetAttribute(QStringLiteral("Numero"), ProgramPaths::VersionExport());
        version->SetAttribute(QStringLiteral("Date"), Horodatage());
    }
    if (fichier.Configuration) {
        if (std::unique_ptr<TXMLNodeQLF> configuration =
                racine->AddChild(QStringLiteral("Configuration")))
            configuration->SetAttribute(QStringLiteral("ViderExterne"), 1);
    }
    if (!plusieursFichiers) {
        maximum_ = table->RecordCount();
        vue_.FixerMaximum(maximum_);
    }

    if (std::unique_ptr<TXMLNodeQLF> lignes = racine->AddChild(QStringLiteral("Lignes"))) {
        if (plusieursFichiers) {
            maximum_ += table->RecordCount();
            vue_.FixerMaximum(maximum_);
        }
        const QString nomLigne = QStringLiteral("Ligne");
        for (table->First(); !table->Eof(); table->Next()) {
            if (!fichier.Filtre || fichier.Filtre(*table)) {
                std::unique_ptr<TXMLNodeQLF> ligne = lignes->AddChild(nomLigne);
                if (ligne) {
                    if (fichier.Ecrire)
                        fichier.Ecrire(*table, *ligne);
                    else
                        EcrireLigne(*table, *ligne);
                }
            }
            vue_.Avancer();
            PomperSiDu();
        }
    }

    document.SaveToFile(contexte_.DossierPreparation + fichier.NomFichier);
}

void SequenceGeneration::PomperSiDu()
{
    if (dernierPompage_.isValid() && dernierPompage_.elapsed() < IntervallePompageMs)
        return;
    vue_.TraiterMessages();
    dernierPompage_.start();
}
