#include "Exports.h"

#include "ControleFournisseurs.h"
#include "Errors.h"
#include "TNativeXmlQLF.h"
#include "TTable.h"

#include <memory>

namespace {

// The purchase-conditions row filter. The three fields are looked up at the first row (a
// missing one is an error there, an empty table raises none) and kept while the table is
// open.
class FiltreRemise
{
public:
    FiltreRemise(const ContexteExport& contexte, TTable& tblFns)
        : controle_(contexte.FichierIni, tblFns)
    {
    }

    bool operator()(TTable& table)
    {
        if (&table != table_) {
            table_ = &table;
            client_ = &table.FieldByName(QStringLiteral("Client"));
            fournisseur_ = &table.FieldByName(QStringLiteral("Fournisseur"));
            type_ = &table.FieldByName(QStringLiteral("Type"));
        }
        const QString client = client_->AsString();
        const QString fournisseur = fournisseur_->AsString();
        const int type = type_->AsInteger();
        if (!client.isEmpty())
            return false;
        if (type != 2)
            return false;
        if (controle_.FournisseurExclu(fournisseur))
            return false;
        return controle_.FournisseurExiste(fournisseur);
    }

private:
    ControleFournisseurs controle_;
    TTable* table_ = nullptr;
    TField* client_ = nullptr;
    TField* fournisseur_ = nullptr;
    TField* type_ = nullptr;
};

// Rows of the message and document tables go out when Externe reads 0 (NULL reads 0), with
// Externe written as "5".
bool FiltreExterne(TTable& table)
{
    return table.FieldByName(QStringLiteral("Externe")).AsInteger() == 0;
}

void EcrireExterneForce(TTable& table, TXMLNodeQLF& ligne)
{
    EcrireLigneForcee(table, ligne, QStringLiteral("Externe"), QStringLiteral("5"));
}

FichierExport FichierExterne(const QString& cle, const QString& nomFichier, const QString& racine)
{
    FichierExport fichier;
    fichier.Cle = cle;
    fichier.NomFichier = nomFichier;
    fichier.Racine = racine;
    fichier.Configuration = true;
    fichier.Filtre = FiltreExterne;
    fichier.Ecrire = EcrireExterneForce;
    return fichier;
}

} // namespace

void GenererRemiseAchat(const ContexteExport& contexte, VueGeneration& vue)
{
    if (!contexte.Tables.Fns)
        throw TableError(QStringLiteral("Aucune table des fournisseurs."));
    // Shared between the calls of the filter: it carries what was read of the sources.
    auto filtre = std::make_shared<FiltreRemise>(contexte, *contexte.Tables.Fns);

    FichierExport fichier;
    fichier.Cle = QStringLiteral("remise");
    fichier.NomFichier = QStringLiteral("remise_achat.xml");
    fichier.Racine = QStringLiteral("RemisesAchat");
    fichier.Filtre = [filtre](TTable& table) { return (*filtre)(table); };
    SequenceGeneration(contexte, vue).Executer({fichier});
}

void GenererPersonnalisation(const ContexteExport& contexte, VueGeneration& vue)
{
    FichierExport fichier;
    fichier.Cle = QStringLiteral("Personnalisation");
    fichier.NomFichier = QStringLiteral("personnalisation.xml");
    fichier.Racine = QStringLiteral("Personnalisations");
    SequenceGeneration(contexte, vue).Executer({fichier});
}

void GenererMessages(const ContexteExport& contexte, VueGeneration& vue)
{
    SequenceGeneration(contexte, vue)
        .Executer({FichierExterne(QStringLiteral("message_type"),
                                  QStringLiteral("message_type.xml"), QStringLiteral("Messages")),
                   FichierExterne(QStringLiteral("message"), QStringLiteral("message.xml"),
                                  QStringLiteral("Messages"))});
}

void GenererDocuments(const ContexteExport& contexte, VueGeneration& vue)
{
    SequenceGeneration(contexte, vue)
        .Executer({FichierExterne(QStringLiteral("mes_docs_type"),
                                  QStringLiteral("mes_docs_type.xml"), QStringLiteral("Documents")),
                   FichierExterne(QStringLiteral("mes_docs"), QStringLiteral("mes_docs.xml"),
                                  QStringLiteral("Documents"))});
}
