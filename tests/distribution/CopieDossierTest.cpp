// The folder copy channel and the send sequence, on real folders.

#include "ActionsEnvoi.h"
#include "CanalFtp.h"
#include "Fichiers.h"
#include "FtpClient.h"
#include "SmallFileSystem.h"
#include "VueEnregistree.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

class CopieDossierTest : public ::testing::Test
{
protected:
    CopieDossierTest()
        : preparation_(racine_.filePath(QStringLiteral("preparer")) + QLatin1Char('/')),
          cible_(racine_.filePath(QStringLiteral("share")) + QLatin1Char('/')),
          canal_(client_, racine_.filePath(QStringLiteral("Cordalis.ini"))),
          actions_(canal_, preparation_)
    {
        QDir().mkpath(preparation_);
        QDir().mkpath(cible_);
    }

    // The names in the target folder, temporary files included.
    QStringList ContenuCible() const
    {
        return QDir(cible_).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                      QDir::Name);
    }

    QTemporaryDir racine_;
    QString preparation_;
    QString cible_;
    FtpClient client_;
    CanalFtp canal_;
    ActionsEnvoi actions_;
    VueEnregistree vue_;
};

TEST_F(CopieDossierTest, SendingTwiceReplacesTheCopyAndLeavesThePreparedFileAlone)
{
    const QString prepare = preparation_ + QStringLiteral("remise_achat.xml");
    Ecrire(prepare, QByteArray("premiere version, plus longue que la seconde\n"));
    const QDateTime dateAncienne = QDateTime::currentDateTime().addDays(-3);
    {
        QFile f(prepare);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(dateAncienne, QFileDevice::FileModificationTime));
    }

    EXPECT_TRUE(actions_.Envoyer(JeuDonnees::RemiseAchat, EnvoiUri, cible_, vue_));
    EXPECT_EQ(Lire(cible_ + QStringLiteral("remise_achat.xml")),
              QByteArray("premiere version, plus longue que la seconde\n"));
    // The copy carries the prepared file's modification time over, to the second.
    EXPECT_EQ(
        QFileInfo(cible_ + QStringLiteral("remise_achat.xml")).lastModified().toSecsSinceEpoch(),
        dateAncienne.toSecsSinceEpoch());
    // Only the purchase conditions action lets the window process its messages, once.
    EXPECT_EQ(vue_.journal, QStringList({"masquer", "sablier", "messages traités", "coche verte",
                                         "curseur normal"}));

    Ecrire(prepare, QByteArray("seconde\n"));
    vue_.effacer();
    EXPECT_TRUE(actions_.Envoyer(JeuDonnees::RemiseAchat, EnvoiUri, cible_, vue_));
    EXPECT_EQ(Lire(cible_ + QStringLiteral("remise_achat.xml")), QByteArray("seconde\n"));
    EXPECT_EQ(vue_.journal.last(2), QStringList({"coche verte", "curseur normal"}));
    EXPECT_TRUE(vue_.messages.isEmpty());

    // Nothing but the copy in the target folder: no temporary file left behind; the prepared
    // file is still in place with its content.
    EXPECT_EQ(ContenuCible(), QStringList({"remise_achat.xml"}));
    EXPECT_EQ(Lire(prepare), QByteArray("seconde\n"));
}

TEST_F(CopieDossierTest, TwoFileRowsSendInOrderAndStopAtTheFirstMissingFile)
{
    Ecrire(preparation_ + QStringLiteral("mes_docs.xml"), "docs");
    Ecrire(preparation_ + QStringLiteral("mes_docs_type.xml"), "types");
    EXPECT_TRUE(actions_.Envoyer(JeuDonnees::Document, EnvoiUri, cible_, vue_));
    EXPECT_EQ(ContenuCible(), QStringList({"mes_docs.xml", "mes_docs_type.xml"}));
    EXPECT_EQ(vue_.journal, QStringList({"masquer", "sablier", "coche verte", "curseur normal"}));

    // No prepared message.xml: its full path is named, message_type.xml is not tried.
    Ecrire(preparation_ + QStringLiteral("message_type.xml"), "types");
    vue_.effacer();
    EXPECT_FALSE(actions_.Envoyer(JeuDonnees::Message, EnvoiUri, cible_, vue_));
    ASSERT_EQ(vue_.messages.size(), 1);
    EXPECT_EQ(vue_.messages[0],
              QStringLiteral("Le fichier : \n") + preparation_ +
                  QStringLiteral("message.xml n'existe pas ou est inaccessible."));
    EXPECT_FALSE(QFileInfo::exists(cible_ + QStringLiteral("message_type.xml")));
    EXPECT_EQ(vue_.journal,
              QStringList({"masquer", "sablier", "message", "croix rouge", "curseur normal"}));

    // The second file missing: the first one stays sent, the row shows the red cross.
    Ecrire(preparation_ + QStringLiteral("message.xml"), "messages");
    QFile::remove(preparation_ + QStringLiteral("message_type.xml"));
    vue_.effacer();
    EXPECT_FALSE(actions_.Envoyer(JeuDonnees::Message, EnvoiUri, cible_, vue_));
    EXPECT_EQ(Lire(cible_ + QStringLiteral("message.xml")), QByteArray("messages"));
    EXPECT_EQ(vue_.journal.last(2), QStringList({"croix rouge", "curseur normal"}));
}

TEST_F(CopieDossierTest, MissingTargetFolderGivesASilentRedCross)
{
    Ecrire(preparation_ + QStringLiteral("personnalisation.xml"), "perso");
    const QString absent = racine_.filePath(QStringLiteral("absent/"));
    // Never configured, a folder that does not exist, a file standing for the folder, and a
    // folder deleted between two sends.
    Ecrire(racine_.filePath(QStringLiteral("fichier")), "x");
    for (const QString& dossier :
         {QString(), absent,
          QString(racine_.filePath(QStringLiteral("fichier")) + QLatin1Char('/'))}) {
        vue_.effacer();
        EXPECT_FALSE(actions_.Envoyer(JeuDonnees::Personnalisation, EnvoiUri, dossier, vue_))
            << qPrintable(dossier);
        EXPECT_EQ(vue_.journal, QStringList({"masquer", "croix rouge"})) << qPrintable(dossier);
    }

    vue_.effacer();
    EXPECT_TRUE(actions_.Envoyer(JeuDonnees::Personnalisation, EnvoiUri, cible_, vue_));
    ASSERT_TRUE(QDir(cible_).removeRecursively());
    vue_.effacer();
    EXPECT_FALSE(actions_.Envoyer(JeuDonnees::Personnalisation, EnvoiUri, cible_, vue_));
    EXPECT_EQ(vue_.journal, QStringList({"masquer", "croix rouge"}));
    EXPECT_TRUE(vue_.messages.isEmpty());
}

// A folder typed without its trailing separator publishes into that folder, not beside it
// under "shareremise_achat.xml"; with the separator, as the dialog stores it, nothing changes.
TEST_F(CopieDossierTest, FolderWithOrWithoutTrailingSeparatorReceivesTheFiles)
{
    Ecrire(preparation_ + QStringLiteral("message.xml"), "m");
    Ecrire(preparation_ + QStringLiteral("message_type.xml"), "t");
    QString sansSeparateur = cible_;
    sansSeparateur.chop(1);
    for (const QString& dossier : {sansSeparateur, cible_, QString(cible_ + QLatin1Char('/'))}) {
        SCOPED_TRACE(qPrintable(dossier));
        QFile::remove(cible_ + QStringLiteral("message.xml"));
        QFile::remove(cible_ + QStringLiteral("message_type.xml"));
        vue_.effacer();
        EXPECT_TRUE(actions_.Envoyer(JeuDonnees::Message, EnvoiUri, dossier, vue_));
        EXPECT_EQ(vue_.journal.last(2), QStringList({"coche verte", "curseur normal"}));
        EXPECT_EQ(ContenuCible(), (QStringList{"message.xml", "message_type.xml"}));
        EXPECT_EQ(Lire(cible_ + QStringLiteral("message_type.xml")), QByteArray("t"));
    }
    EXPECT_EQ(QDir(racine_.path()).entryList(QDir::Files), QStringList());
}

TEST_F(CopieDossierTest, RefusedCopyNamesBothPathsAndKeepsTheEarlierCopy)
{
    Ecrire(preparation_ + QStringLiteral("message.xml"), "messages v1");
    Ecrire(preparation_ + QStringLiteral("message_type.xml"), "types v1");
    ASSERT_TRUE(actions_.Envoyer(JeuDonnees::Message, EnvoiUri, cible_, vue_));

    // A directory standing where message_type.xml would go refuses the copy (permission bits
    // refuse nothing to root).
    ASSERT_TRUE(QFile::remove(cible_ + QStringLiteral("message_type.xml")));
    ASSERT_TRUE(QDir().mkdir(cible_ + QStringLiteral("message_type.xml")));
    Ecrire(preparation_ + QStringLiteral("message.xml"), "messages v2");
    vue_.effacer();
    EXPECT_FALSE(actions_.Envoyer(JeuDonnees::Message, EnvoiUri, cible_, vue_));
    ASSERT_EQ(vue_.messages.size(), 1);
    EXPECT_EQ(vue_.messages[0], QStringLiteral("Impossible de copier le fichier : \n\t") +
                                    preparation_ + QStringLiteral("message_type.xml\ndans :\n\t") +
                                    cible_ + QStringLiteral("message_type.xml"));
    EXPECT_EQ(vue_.journal.last(2), QStringList({"croix rouge", "curseur normal"}));
    EXPECT_EQ(Lire(cible_ + QStringLiteral("message.xml")), QByteArray("messages v2"));
    EXPECT_TRUE(QFileInfo(cible_ + QStringLiteral("message_type.xml")).isDir());
    EXPECT_EQ(ContenuCible(), QStringList({"message.xml", "message_type.xml"}));

    // A target path in a folder that does not exist (the file name in the prefix).
    vue_.effacer();
    EXPECT_FALSE(actions_.CopierFichier(preparation_ + QStringLiteral("message.xml"),
                                        cible_ + QStringLiteral("absent/message.xml")));
    ASSERT_EQ(vue_.messages.size(), 1);
    EXPECT_TRUE(vue_.messages[0].startsWith(QStringLiteral("Impossible de copier le fichier")));
}

// A copy that fails half-way (here the process may not write files larger than 64 KiB, as a
// full disk would stop it) leaves the franchisees' earlier copy whole and no partial file,
// wherever the limit falls in the file.
TEST_F(CopieDossierTest, CopyFailingHalfWayLeavesTheEarlierCopyWhole)
{
    const QString prepare = preparation_ + QStringLiteral("personnalisation.xml");
    Ecrire(prepare, "copie precedente");
    ASSERT_TRUE(actions_.Envoyer(JeuDonnees::Personnalisation, EnvoiUri, cible_, vue_));

    const qint64 limiteOctets = 64 * 1024;
    for (const qint64 taille : {limiteOctets + 1, limiteOctets + 1000, qint64(1024 * 1024)}) {
        SCOPED_TRACE(taille);
        const QByteArray grand(taille, 'x');
        Ecrire(prepare, grand);

        rlimit avant{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &avant), 0);
        const auto signalAvant = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limite = avant;
        limite.rlim_cur = limiteOctets;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limite), 0);
        vue_.effacer();
        const bool envoye = actions_.Envoyer(JeuDonnees::Personnalisation, EnvoiUri, cible_, vue_);
        setrlimit(RLIMIT_FSIZE, &avant);
        std::signal(SIGXFSZ, signalAvant);

        EXPECT_FALSE(envoye);
        ASSERT_EQ(vue_.messages.size(), 1);
        EXPECT_TRUE(vue_.messages[0].startsWith(QStringLiteral("Impossible de copier le fichier")));
        EXPECT_EQ(Lire(cible_ + QStringLiteral("personnalisation.xml")),
                  QByteArray("copie precedente"));
        EXPECT_EQ(ContenuCible(), QStringList({"personnalisation.xml"}));
        EXPECT_EQ(Lire(prepare), grand);
    }
}

// The franchisees' folder lies on a disk that fills up during the copy: one message, the
// earlier copy whole and nothing else left in the folder.
TEST_F(CopieDossierTest, CopyOntoAFullDiskLeavesTheEarlierCopyWhole)
{
    SmallFileSystem disque(cible_, 256 * 1024);
    if (!disque.mounted())
        GTEST_SKIP() << qPrintable(disque.reason());
    const QString prepare = preparation_ + QStringLiteral("personnalisation.xml");
    const QByteArray precedente(40 * 1024, 'p');
    Ecrire(prepare, precedente);
    ASSERT_TRUE(actions_.Envoyer(JeuDonnees::Personnalisation, EnvoiUri, cible_, vue_));

    const QByteArray grande(600 * 1024, 'n');
    Ecrire(prepare, grande);
    vue_.effacer();
    EXPECT_FALSE(actions_.Envoyer(JeuDonnees::Personnalisation, EnvoiUri, cible_, vue_));
    ASSERT_EQ(vue_.messages.size(), 1);
    EXPECT_TRUE(vue_.messages[0].startsWith(QStringLiteral("Impossible de copier le fichier")))
        << qPrintable(vue_.messages[0]);
    EXPECT_EQ(vue_.journal.last(2), QStringList({"croix rouge", "curseur normal"}));
    EXPECT_EQ(Lire(cible_ + QStringLiteral("personnalisation.xml")), precedente);
    EXPECT_EQ(ContenuCible(), QStringList({"personnalisation.xml"}));
    EXPECT_EQ(Lire(prepare), grande);

    // With not a byte left, even a small copy is refused the same way.
    ASSERT_TRUE(disque.Fill());
    Ecrire(prepare, "petite");
    vue_.effacer();
    EXPECT_FALSE(actions_.Envoyer(JeuDonnees::Personnalisation, EnvoiUri, cible_, vue_));
    EXPECT_EQ(vue_.messages.size(), 1);
    EXPECT_EQ(Lire(cible_ + QStringLiteral("personnalisation.xml")), precedente);
    EXPECT_EQ(ContenuCible(), QStringList({".filler", "personnalisation.xml"}));
}

// The hourglass comes down also when the action ends with an exception.
TEST_F(CopieDossierTest, CursorIsRestoredWhenTheActionThrows)
{
    class VueQuiEchoue : public VueEnregistree
    {
    public:
        void TraiterMessagesEnAttente() override { throw std::runtime_error("panne"); }
    } vue;
    Ecrire(preparation_ + QStringLiteral("remise_achat.xml"), "ra");
    EXPECT_THROW(actions_.Envoyer(JeuDonnees::RemiseAchat, EnvoiUri, cible_, vue),
                 std::runtime_error);
    EXPECT_EQ(vue.journal, QStringList({"masquer", "sablier", "curseur normal"}));
}

} // namespace
