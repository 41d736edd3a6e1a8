#include "UnattendedRun.h"

#include "AliasFolder.h"
#include "CanalFtp.h"
#include "Console.h"
#include "FtpClient.h"
#include "MessageBox.h"
#include "ParametresFenetre.h"
#include "ProcessLock.h"
#include "ProgramPaths.h"
#include "PublicationAutomatique.h"
#include "TablesSiege.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <functional>
#include <optional>

namespace UnattendedRun {

namespace {

// Runs the work while this process holds the installation's lock. Another run holding it
// ends this one at once, before anything is read or written.
int UnderLock(const std::function<bool()>& work)
{
    const QString file = LockFile();
    const ProcessLock lock(file);
    switch (lock.state()) {
    case ProcessLock::State::Held:
        break;
    case ProcessLock::State::HeldElsewhere:
        ShowMessage(QStringLiteral("Une autre exécution de Cordalis sans fenêtre est en cours "
                                   "pour cette installation (verrou %1) : rien n'est fait.")
                        .arg(QDir::toNativeSeparators(file)));
        return AlreadyRunning;
    case ProcessLock::State::Failed:
        ShowMessage(QStringLiteral("Impossible de poser le verrou %1 : %2")
                        .arg(QDir::toNativeSeparators(file), lock.ErrorText()));
        return Failed;
    }
    return work() ? Done : Failed;
}

} // namespace

QString LockFile()
{
    return ProgramPaths::DataFolder() + QStringLiteral("Cordalis.lock");
}

int Publish(const std::vector<JeuDonnees>& lignes, Console& console)
{
    return UnderLock([&] {
        const QString fichierIni = ProgramPaths::FichierIni();
        TablesSiege tables(AliasFolder(fichierIni, ProgramPaths::DataFolder()));
        const ContexteExport contexte = ContexteDuProgramme(tables.PourExport());

        FtpClient client;
        CanalFtp canal(client, fichierIni);
        ActionsEnvoi envoi(canal, contexte.DossierPreparation);
        PublicationAutomatique publication(contexte, envoi, LireParametresFenetre(fichierIni),
                                           console);
        return publication.Publier(lignes);
    });
}

int CheckReports(const OptionsRapport& options, Console& console)
{
    return UnderLock([&] {
        FtpClient client;
        bool charges = false;
        SessionRapport session = SessionRapport::DuProgramme(
            client, {[&charges] { return charges; }, [&charges](bool value) { charges = value; }});
        return RapportAutomatique(session, console).Executer(options);
    });
}

} // namespace UnattendedRun
