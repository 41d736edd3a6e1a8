#include "PublicationAutomatique.h"

#include "Console.h"
#include "Exports.h"
#include "MessageBox.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <utility>

namespace {

struct Ligne
{
    JeuDonnees Jeu;
    const char* Nom;
    ActionGeneration Action;
};

// In the order of the main window's rows, which is also the order of ParametresFenetre.
constexpr Ligne Lignes[] = {
    {JeuDonnees::RemiseAchat, "conditions", GenererRemiseAchat},
    {JeuDonnees::Personnalisation, "personnalisation", GenererPersonnalisation},
    {JeuDonnees::Message, "messages", GenererMessages},
    {JeuDonnees::Document, "documents", GenererDocuments},
};

const Ligne& LigneDe(JeuDonnees jeu)
{
    return Lignes[static_cast<size_t>(jeu)];
}

// The send actions' row images, hourglass and event pumping have nothing to show here.
class VueEnvoiConsole : public VueEnvoi
{
public:
    void MasquerEtatEnvoi() override {}
    void AfficherEtatEnvoi(bool) override {}
    void DebutEnvoi() override {}
    void TraiterMessagesEnAttente() override {}
    void FinEnvoi() override {}
    void DossierCibleAbsent(const QString& dossier) override
    {
        ShowMessage(QStringLiteral("Le dossier cible « %1 » n'existe pas ou n'est pas un "
                                   "dossier (clé URI de la section [Cordalis_URI]).")
                        .arg(QDir::toNativeSeparators(dossier)));
    }
};

QString Octets(qint64 taille)
{
    return taille == 1 ? QStringLiteral("1 octet") : QStringLiteral("%1 octets").arg(taille);
}

} // namespace

std::optional<JeuDonnees> JeuNomme(const QString& nom)
{
    for (const Ligne& ligne : Lignes) {
        if (nom == QLatin1String(ligne.Nom))
            return ligne.Jeu;
    }
    return std::nullopt;
}

QString NomJeu(JeuDonnees jeu)
{
    return QLatin1String(LigneDe(jeu).Nom);
}

QStringList NomsJeux()
{
    QStringList noms;
    for (const Ligne& ligne : Lignes)
        noms << QLatin1String(ligne.Nom);
    return noms;
}

PublicationAutomatique::PublicationAutomatique(ContexteExport contexte, ActionsEnvoi& envoi,
                                               std::optional<ParametresFenetre> parametres,
                                               Console& console)
    : contexte_(std::move(contexte)), envoi_(envoi), parametres_(std::move(parametres)),
      console_(console)
{
    // As the main window: it starts with the FTP channel and takes the settings' choice only
    // when the settings make one.
    if (parametres_)
        parametres_->AppliquerCanal(typeEnvoi_, cheminUri_);
}

bool PublicationAutomatique::Publier(const std::vector<JeuDonnees>& demandes)
{
    std::vector<JeuDonnees> jeux;
    bool reussi = true;
    for (const Ligne& ligne : Lignes) {
        const bool activee = parametres_ && parametres_->Lignes[static_cast<size_t>(ligne.Jeu)];
        const bool demandee = demandes.empty() || std::find(demandes.begin(), demandes.end(),
                                                            ligne.Jeu) != demandes.end();
        if (!demandee)
            continue;
        if (activee) {
            jeux.push_back(ligne.Jeu);
        } else if (!demandes.empty()) {
            ShowMessage(QStringLiteral("La ligne « %1 » n'est pas activée dans les réglages : "
                                       "elle n'est ni générée ni envoyée.")
                            .arg(NomJeu(ligne.Jeu)));
            reussi = false;
        }
    }
    if (jeux.empty() && demandes.empty()) {
        // A timer that publishes nothing day after day must be noticed.
        ShowMessage(QStringLiteral("Aucune ligne n'est activée dans les réglages : rien n'est "
                                   "publié."));
        return false;
    }

    if (!jeux.empty()) {
        QStringList noms;
        for (const JeuDonnees jeu : jeux)
            noms << NomJeu(jeu);
        console_.Step(QStringLiteral("Publication : %1 ; envoi %2")
                          .arg(noms.join(QStringLiteral(", ")), Canal()));
    }
    QStringList echecs;
    for (const JeuDonnees jeu : jeux) {
        if (!Generer(jeu) || !Envoyer(jeu))
            echecs << NomJeu(jeu);
    }
    const qsizetype publiees = qsizetype(jeux.size()) - echecs.size();
    QString bilan = QStringLiteral("Publication terminée : %1 ligne(s) publiée(s) sur %2")
                        .arg(publiees)
                        .arg(jeux.size());
    if (!echecs.isEmpty())
        bilan += QStringLiteral(", en échec : ") + echecs.join(QStringLiteral(", "));
    console_.Step(bilan);
    return reussi && echecs.isEmpty();
}

bool PublicationAutomatique::Generer(JeuDonnees jeu)
{
    const QString nom = NomJeu(jeu);
    VueGenerationMuette vue;
    try {
        LigneDe(jeu).Action(contexte_, vue);
    } catch (...) {
        ShowCurrentException(ErreurSansTexte());
        console_.Step(QStringLiteral("%1 : Générer en échec, rien n'est envoyé").arg(nom));
        return false;
    }
    QStringList fichiers;
    for (const QString& fichier : FichiersEnvoyes(jeu))
        fichiers << QStringLiteral("%1 (%2)").arg(
            fichier, Octets(QFileInfo(contexte_.DossierPreparation + fichier).size()));
    console_.Step(QStringLiteral("%1 : Générer terminé, %2 enregistrement(s) lu(s), écrit : %3")
                      .arg(nom)
                      .arg(vue.Enregistrements())
                      .arg(fichiers.join(QStringLiteral(", "))));
    return true;
}

bool PublicationAutomatique::Envoyer(JeuDonnees jeu)
{
    const QString nom = NomJeu(jeu);
    VueEnvoiConsole vue;
    bool envoye = false;
    try {
        envoye = envoi_.Envoyer(jeu, typeEnvoi_, cheminUri_, vue);
    } catch (...) {
        ShowCurrentException(ErreurSansTexte());
    }
    if (!envoye) {
        console_.Step(QStringLiteral("%1 : Envoyer en échec (envoi %2)").arg(nom, Canal()));
        return false;
    }
    console_.Step(QStringLiteral("%1 : Envoyer terminé, envoyé %2 : %3")
                      .arg(nom, Canal(), FichiersEnvoyes(jeu).join(QStringLiteral(", "))));
    return true;
}

QString PublicationAutomatique::Canal() const
{
    if (typeEnvoi_ == EnvoiUri)
        return QStringLiteral("par copie dans le dossier %1")
            .arg(QDir::toNativeSeparators(cheminUri_));
    return QStringLiteral("par FTP");
}
