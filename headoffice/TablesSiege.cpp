#include "TablesSiege.h"

TablesSiege::TablesSiege(const QString& dossier)
    : Remise(dossier, QStringLiteral("REMISES.DB")),
      Fns(dossier, QStringLiteral("FOURNIS.DB"), FournisFields()),
      Perso(dossier, QStringLiteral("Perso.DB"), PersoFields()),
      Message(dossier, QStringLiteral("Message.DB")),
      MessageType(dossier, QStringLiteral("MessageType.DB")),
      MesDocs(dossier, QStringLiteral("MesDocs.DB")),
      MesDocsType(dossier, QStringLiteral("MesDocsType.DB"))
{
}

TablesExport TablesSiege::PourExport()
{
    return {&Remise, &Fns, &Perso, &Message, &MessageType, &MesDocs, &MesDocsType};
}

QStringList PersoFields()
{
    return {QStringLiteral("Groupe"),      QStringLiteral("Famille"), QStringLiteral("Modele"),
            QStringLiteral("Fournisseur"), QStringLiteral("Produit"), QStringLiteral("Libelle"),
            QStringLiteral("Photo"),       QStringLiteral("Detail"),  QStringLiteral("Xml"),
            QStringLiteral("DetailCache"), QStringLiteral("Flag")};
}

QStringList FournisFields()
{
    return {
        QStringLiteral("Code"),
        QStringLiteral("Nom"),
        QStringLiteral("Reglement"),
        QStringLiteral("Observation"),
        QStringLiteral("Qualite"),
        QStringLiteral("Lieu"),
        QStringLiteral("Ville"),
        QStringLiteral("CP"),
        QStringLiteral("Rue1"),
        QStringLiteral("Rue2"),
        QStringLiteral("Tel"),
        QStringLiteral("Fax"),
        QStringLiteral("Portable"),
        QStringLiteral("Mail"),
        QStringLiteral("Contact"),
        QStringLiteral("Siren"),
        QStringLiteral("TVAIntracom"),
        QStringLiteral("APE"),
        QStringLiteral("Status"),
        QStringLiteral("Capital"),
        QStringLiteral("Banque"),
        QStringLiteral("Guichet"),
        QStringLiteral("Compte"),
        QStringLiteral("Cle"),
        QStringLiteral("Domiciliation"),
        QStringLiteral("LivraisonLieu"),
        QStringLiteral("LivraisonVille"),
        QStringLiteral("LivraisonCP"),
        QStringLiteral("LivraisonRue1"),
        QStringLiteral("LivraisonRue2"),
        QStringLiteral("LivraisonTel"),
        QStringLiteral("LivraisonFax"),
        QStringLiteral("LivraisonPortable"),
        QStringLiteral("LivraisonMail"),
        QStringLiteral("LivraisonContact"),
        QStringLiteral("LivraisonType"),
        QStringLiteral("LivraisonCode"),
        QStringLiteral("FermetureJour"),
        QStringLiteral("FermetureHeure"),
        QStringLiteral("Ferme"),
        QStringLiteral("ReglementA"),
        QStringLiteral("ReglementLe"),
        QStringLiteral("TVA"),
        QStringLiteral("CommCA"),
        QStringLiteral("CommMB"),
        QStringLiteral("Message"),
        QStringLiteral("Franco"),
        QStringLiteral("ForfaitPort"),
        QStringLiteral("MargeAveugle"),
        QStringLiteral("CoefTarif"),
        QStringLiteral("Remises"),
    };
}
