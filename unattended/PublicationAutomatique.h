#pragma once

#include "ActionsEnvoi.h"
#include "ParametresFenetre.h"
#include "SequenceGeneration.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class Console;

// The rows of the main window by the names a command line gives them: "conditions",
// "personnalisation", "messages", "documents".
std::optional<JeuDonnees> JeuNomme(const QString& nom);
QString NomJeu(JeuDonnees jeu);
// The four names, in the order of the rows.
QStringList NomsJeux();

// "Générer" then "Envoyer" of the main window's rows, without a window: the same export
// actions over the same tables and the same send actions over the same channel as the
// buttons, each step told on the console. A row whose generation fails is not sent (its
// earlier files would go out as if new); one row's failure never stops the next rows.
class PublicationAutomatique
{
public:
    // contexte: where the exports read and write, as the main window gives them; envoi: the
    // send actions over the window's channel; parametres: the rows enabled and the channel,
    // read from the settings as the window reads them (nothing when there is no settings
    // file: no row is enabled and the channel stays FTP).
    PublicationAutomatique(ContexteExport contexte, ActionsEnvoi& envoi,
                           std::optional<ParametresFenetre> parametres, Console& console);

    // Publishes the rows asked for (every enabled row when demandes is empty), in the order
    // of the rows. A row asked for by name that the settings do not enable is a failure.
    // True when every row was generated and sent.
    bool Publier(const std::vector<JeuDonnees>& demandes);

private:
    bool Generer(JeuDonnees jeu);
    bool Envoyer(JeuDonnees jeu);
    // "par FTP" or "par copie dans le dossier X".
    QString Canal() const;

    ContexteExport contexte_;
    ActionsEnvoi& envoi_;
    std::optional<ParametresFenetre> parametres_;
    TTypeEnvoi typeEnvoi_ = EnvoiFtp;
    QString cheminUri_;
    Console& console_;
};
