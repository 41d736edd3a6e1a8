#include "ActionsEnvoi.h"

#include "AtomicFile.h"
#include "CanalFtp.h"
#include "MessageBox.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// Calls VueEnvoi::FinEnvoi when it goes out of scope, exceptions included.
class FinEnvoiGarantie
{
public:
    explicit FinEnvoiGarantie(VueEnvoi& vue) : vue_(vue) { vue_.DebutEnvoi(); }
    ~FinEnvoiGarantie() { vue_.FinEnvoi(); }
    FinEnvoiGarantie(const FinEnvoiGarantie&) = delete;
    FinEnvoiGarantie& operator=(const FinEnvoiGarantie&) = delete;

private:
    VueEnvoi& vue_;
};

// Writes the source's bytes into the already opened target, chunk by chunk. The target is
// unbuffered so that a short write (a full disk, a file size limit) is seen here and not
// lost inside a buffer.
bool CopierContenu(QFile& source, QSaveFile& cible)
{
    QByteArray tampon(256 * 1024, Qt::Uninitialized);
    for (;;) {
        const qint64 lus = source.read(tampon.data(), tampon.size());
        if (lus < 0)
            return false;
        if (lus == 0)
            return source.atEnd();
        if (!WriteAll(cible, QByteArrayView(tampon.constData(), lus)))
            return false;
    }
}

} // namespace

QStringList FichiersEnvoyes(JeuDonnees jeu)
{
    switch (jeu) {
    case JeuDonnees::RemiseAchat:
        return {QStringLiteral("remise_achat.xml")};
    case JeuDonnees::Personnalisation:
        return {QStringLiteral("personnalisation.xml")};
    case JeuDonnees::Message:
        return {QStringLiteral("message.xml"), QStringLiteral("message_type.xml")};
    case JeuDonnees::Document:
        return {QStringLiteral("mes_docs.xml"), QStringLiteral("mes_docs_type.xml")};
    }
    return {};
}

ActionsEnvoi::ActionsEnvoi(CanalFtp& canalFtp, QString dossierPreparation)
    : canalFtp_(canalFtp), dossierPreparation_(std::move(dossierPreparation))
{
}

bool ActionsEnvoi::Envoyer(JeuDonnees jeu, TTypeEnvoi typeEnvoi, const QString& cheminUri,
                           VueEnvoi& vue)
{
    vue.MasquerEtatEnvoi();

    // A target folder that does not exist (not configured, unplugged, deleted) ends the
    // action at once with the red cross, without a message.
    if (typeEnvoi == EnvoiUri && !QFileInfo(cheminUri).isDir()) {
        vue.DossierCibleAbsent(cheminUri);
        vue.AfficherEtatEnvoi(false);
        return false;
    }

    const FinEnvoiGarantie hourglass(vue);
    if (jeu == JeuDonnees::RemiseAchat)
        vue.TraiterMessagesEnAttente();

    bool envoye = true;
    for (const QString& nomFichier : FichiersEnvoyes(jeu)) {
        if (!EnvoyerFichier(typeEnvoi, cheminUri, dossierPreparation_ + nomFichier, nomFichier)) {
            envoye = false;
            break;
        }
    }
    vue.AfficherEtatEnvoi(envoye);
    return envoye;
}

bool ActionsEnvoi::EnvoyerFichier(TTypeEnvoi typeEnvoi, const QString& cheminUri,
                                  const QString& cheminLocal, const QString& nomFichier)
{
    switch (typeEnvoi) {
    case EnvoiFtp: {
        if (!canalFtp_.ConnexionFTP())
            return false;
        const bool envoye = canalFtp_.EnvoiParFtp(cheminLocal, nomFichier);
        canalFtp_.DeconnexionFTP();
        return envoye;
    }
    case EnvoiUri: {
        // The settings dialog stores a folder with its separator; a value typed without one
        // still names the folder, not a prefix of names beside it.
        return EnvoiParChemin(cheminLocal, QDir(cheminUri).filePath(nomFichier));
    }
    }
    return false;
}

bool ActionsEnvoi::EnvoiParChemin(const QString& cheminLocal, const QString& cheminCible)
{
    return CopierFichier(cheminLocal, cheminCible);
}

bool ActionsEnvoi::CopierFichier(const QString& source, const QString& cible)
{
    const QFileInfo infoSource(source);
    if (!infoSource.isFile()) {
        ShowMessage(QStringLiteral("Le fichier : \n") + source +
                    QStringLiteral(" n'existe pas ou est inaccessible."));
        return false;
    }

    QFile lecture(source);
    QSaveFile ecriture(cible);
    bool copie = lecture.open(QIODevice::ReadOnly) &&
                 ecriture.open(QIODevice::WriteOnly | QIODevice::Unbuffered) &&
                 CopierContenu(lecture, ecriture);
    if (copie) {
        // The copy keeps the prepared file's modification time, as a system copy does. Every
        // byte is already written, so nothing moves the time again before the rename.
        const QDateTime modification = infoSource.lastModified();
        if (modification.isValid())
            ecriture.setFileTime(modification, QFileDevice::FileModificationTime);
        copie = ecriture.commit();
    } else {
        ecriture.cancelWriting();
    }
    if (!copie) {
        ShowMessage(QStringLiteral("Impossible de copier le fichier : \n\t") + source +
                    QStringLiteral("\ndans :\n\t") + cible);
        return false;
    }
    return true;
}
