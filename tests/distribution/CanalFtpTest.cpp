// The FTP upload channel and the FTP send actions against a real FTP server on 127.0.0.1.

#include "CanalFtp.h"
#include "ActionsEnvoi.h"
#include "Fichiers.h"
#include "FtpClient.h"
#include "TestFtpServer.h"
#include "VueEnregistree.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString PrefixeConnexion =
    QStringLiteral("Une erreur est survenue (TFicheCordalis::ConnexionFTP): ");

// One complete session in the server's log.
const QStringList SessionComplete{"connect", "login cordalis", "quit", "disconnect"};

class CanalFtpTest : public ::testing::Test
{
protected:
    CanalFtpTest()
        : ini_(racine_.filePath(QStringLiteral("Cordalis.ini"))),
          preparation_(racine_.filePath(QStringLiteral("preparer")) + QLatin1Char('/')),
          canal_(client_, ini_), actions_(canal_, preparation_)
    {
        QDir().mkpath(preparation_);
    }

    // The distribution server's section of the settings file, as the FTP dialog writes it.
    void Parametrer(const QString& hote, int port, const QString& login, const QString& mdp)
    {
        Ecrire(ini_, QStringLiteral("[Cordalis]\nTypeEnvoi=FTP\n[Cordalis_FTP]\nLogin=%1\nMdp=%2\n"
                                    "Host=%3\nPort=%4\n")
                         .arg(login, mdp, hote)
                         .arg(port)
                         .toUtf8());
    }
    void Parametrer(const TestFtpServer& serveur)
    {
        Parametrer(serveur.host(), serveur.port(), serveur.user(), serveur.password());
    }

    QTemporaryDir racine_;
    QString ini_;
    QString preparation_;
    FtpClient client_;
    CanalFtp canal_;
    ActionsEnvoi actions_;
    VueEnregistree vue_;
};

TEST_F(CanalFtpTest, UploadReplacesTheFileInTheLoginFolderWholeWithAndWithoutMlsd)
{
    for (const bool mlsd : {true, false}) {
        SCOPED_TRACE(mlsd ? "MLSD" : "LIST only");
        TestFtpServer::Options options;
        options.mlsd = mlsd;
        options.extraAccounts.push_back({"siege", "motdepasse", "depot"});
        TestFtpServer serveur(options);
        serveur.writeFile(QStringLiteral("depot/remise_achat.xml"),
                          QByteArray(5000, 'a') + "fin de l'ancienne version");
        Parametrer(serveur.host(), serveur.port(), QStringLiteral("siege"),
                   QStringLiteral("motdepasse"));
        const QByteArray nouveau("<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n<Remise/>\n");
        Ecrire(preparation_ + QStringLiteral("remise_achat.xml"), nouveau);

        vue_.effacer();
        EXPECT_TRUE(actions_.Envoyer(JeuDonnees::RemiseAchat, EnvoiFtp, QString(), vue_));
        EXPECT_TRUE(vue_.messages.isEmpty()) << qPrintable(vue_.messages.join('\n'));
        EXPECT_EQ(vue_.journal, QStringList({"masquer", "sablier", "messages traités",
                                             "coche verte", "curseur normal"}));
        EXPECT_EQ(serveur.readFile(QStringLiteral("depot/remise_achat.xml")), nouveau);
        EXPECT_FALSE(QFile::exists(serveur.pathOf(QStringLiteral("remise_achat.xml"))));
        EXPECT_FALSE(client_.Connected());
        ASSERT_TRUE(serveur.waitForLog(QStringLiteral("disconnect")));
        EXPECT_EQ(serveur.sessionLog(),
                  QStringList({"connect", "login siege", "quit", "disconnect"}));
    }
}

TEST_F(CanalFtpTest, EachFileOfARowHasItsOwnSession)
{
    TestFtpServer serveur;
    Parametrer(serveur);
    Ecrire(preparation_ + QStringLiteral("message.xml"), "messages");
    Ecrire(preparation_ + QStringLiteral("message_type.xml"), "types");

    EXPECT_TRUE(actions_.Envoyer(JeuDonnees::Message, EnvoiFtp, QString(), vue_));
    EXPECT_EQ(vue_.journal, QStringList({"masquer", "sablier", "coche verte", "curseur normal"}));
    EXPECT_EQ(serveur.readFile(QStringLiteral("message.xml")), QByteArray("messages"));
    EXPECT_EQ(serveur.readFile(QStringLiteral("message_type.xml")), QByteArray("types"));
    ASSERT_TRUE(serveur.waitForLog(QStringLiteral("disconnect"), 2));
    EXPECT_EQ(serveur.sessionLog(), SessionComplete + SessionComplete);
}

TEST_F(CanalFtpTest, MissingPreparedFileIsReportedWhileLoggedInThenTheSessionCloses)
{
    TestFtpServer serveur;
    Parametrer(serveur);
    Ecrire(preparation_ + QStringLiteral("mes_docs_type.xml"), "types");

    // What the server had seen when the message came up.
    QStringList journalAuMessage;
    const MessageHandler precedent = SetMessageHandler([&](const QString& texte) {
        vue_.messages << texte;
        serveur.waitForLog(QStringLiteral("login cordalis"));
        journalAuMessage = serveur.sessionLog();
    });
    const bool envoye = actions_.Envoyer(JeuDonnees::Document, EnvoiFtp, QString(), vue_);
    SetMessageHandler(precedent);

    EXPECT_FALSE(envoye);
    EXPECT_EQ(vue_.messages, QStringList(QStringLiteral("Le fichier : \n") + preparation_ +
                                         QStringLiteral("mes_docs.xmlN'éxiste pas ou est "
                                                        "inaccessible.")));
    EXPECT_EQ(journalAuMessage, QStringList({"connect", "login cordalis"}));
    EXPECT_EQ(vue_.journal.last(2), QStringList({"croix rouge", "curseur normal"}));
    // The session was closed, and the second file was not tried.
    ASSERT_TRUE(serveur.waitForLog(QStringLiteral("disconnect")));
    EXPECT_EQ(serveur.sessionLog(), SessionComplete);
    EXPECT_FALSE(client_.Connected());
}

TEST_F(CanalFtpTest, RefusedUploadIsReportedAndTheSessionStillCloses)
{
    TestFtpServer serveur;
    Parametrer(serveur);
    serveur.makeDir(QStringLiteral("personnalisation.xml"));
    Ecrire(preparation_ + QStringLiteral("personnalisation.xml"), "perso");

    EXPECT_FALSE(actions_.Envoyer(JeuDonnees::Personnalisation, EnvoiFtp, QString(), vue_));
    ASSERT_EQ(vue_.messages.size(), 1);
    const QString prefixe =
        QStringLiteral("Une erreur est survenue (TFicheCordalis::EnvoiParFtp): ");
    EXPECT_TRUE(vue_.messages[0].startsWith(prefixe)) << qPrintable(vue_.messages[0]);
    EXPECT_GT(vue_.messages[0].size(), prefixe.size());
    EXPECT_EQ(vue_.journal.last(2), QStringList({"croix rouge", "curseur normal"}));
    ASSERT_TRUE(serveur.waitForLog(QStringLiteral("disconnect")));
    EXPECT_EQ(serveur.sessionLog(), SessionComplete);
    EXPECT_FALSE(client_.Connected());
}

// A failed connection is reported once with the client's own text; the second file of the
// row is not tried and nothing stays connected, so closing the window has nothing to do.
TEST_F(CanalFtpTest, FailedConnectionStopsTheRowAtTheFirstFile)
{
    TestFtpServer serveur;
    Ecrire(preparation_ + QStringLiteral("message.xml"), "messages");
    Ecrire(preparation_ + QStringLiteral("message_type.xml"), "types");

    struct Cas
    {
        const char* nom;
        quint16 port;
        QString mdp;
    };
    for (const Cas& cas :
         {Cas{"unreachable server", TestFtpServer::UnusedPort(), serveur.password()},
          Cas{"wrong password", serveur.port(), QStringLiteral("faux")}}) {
        SCOPED_TRACE(cas.nom);
        Parametrer(serveur.host(), cas.port, serveur.user(), cas.mdp);
        vue_.effacer();
        EXPECT_FALSE(actions_.Envoyer(JeuDonnees::Message, EnvoiFtp, QString(), vue_));
        ASSERT_EQ(vue_.messages.size(), 1);
        EXPECT_TRUE(vue_.messages[0].startsWith(PrefixeConnexion)) << qPrintable(vue_.messages[0]);
        EXPECT_GT(vue_.messages[0].size(), PrefixeConnexion.size());
        EXPECT_EQ(vue_.journal,
                  QStringList({"masquer", "sablier", "message", "croix rouge", "curseur normal"}));
        EXPECT_FALSE(client_.Connected());

        vue_.effacer();
        EXPECT_TRUE(canal_.DeconnexionFTP());
        EXPECT_TRUE(vue_.messages.isEmpty());
    }
    // Only the one attempt with the wrong password reached the server.
    ASSERT_TRUE(serveur.waitForLog(QStringLiteral("disconnect")));
    EXPECT_EQ(serveur.logCount(QStringLiteral("connect")), 1);
    EXPECT_EQ(serveur.logCount(QStringLiteral("login-failed cordalis")), 1);
    EXPECT_FALSE(QFile::exists(serveur.pathOf(QStringLiteral("message_type.xml"))));
}

// The parameters are read from the settings file at every connection: no file means an
// empty host, and a file written afterwards is used by the very next send.
TEST_F(CanalFtpTest, ConnectionParametersAreReadAtEveryConnection)
{
    TestFtpServer serveur;
    Ecrire(preparation_ + QStringLiteral("personnalisation.xml"), "perso");

    EXPECT_FALSE(actions_.Envoyer(JeuDonnees::Personnalisation, EnvoiFtp, QString(), vue_));
    ASSERT_EQ(vue_.messages.size(), 1);
    EXPECT_TRUE(vue_.messages[0].startsWith(PrefixeConnexion)) << qPrintable(vue_.messages[0]);

    // A port that does not fit in 16 bits is refused rather than wrapped to another port.
    for (const int port : {serveur.port() + 65536, 0, -1}) {
        Parametrer(serveur.host(), port, serveur.user(), serveur.password());
        vue_.effacer();
        EXPECT_FALSE(canal_.ConnexionFTP());
        ASSERT_EQ(vue_.messages.size(), 1);
        EXPECT_TRUE(vue_.messages[0].startsWith(PrefixeConnexion + QStringLiteral("Connexion")))
            << qPrintable(vue_.messages[0]);
        EXPECT_TRUE(vue_.messages[0].contains(QString::number(port)));
        EXPECT_FALSE(client_.Connected());
    }
    EXPECT_EQ(serveur.logCount(QStringLiteral("connect")), 0);

    Parametrer(serveur);
    vue_.effacer();
    EXPECT_TRUE(actions_.Envoyer(JeuDonnees::Personnalisation, EnvoiFtp, QString(), vue_));
    EXPECT_TRUE(vue_.messages.isEmpty()) << qPrintable(vue_.messages.join('\n'));
    EXPECT_EQ(serveur.readFile(QStringLiteral("personnalisation.xml")), QByteArray("perso"));
    ASSERT_TRUE(serveur.waitForLog(QStringLiteral("disconnect")));
    EXPECT_EQ(serveur.sessionLog(), SessionComplete);
}

// A server that cannot negotiate the security the client requires gets the connection
// message of that category.
TEST_F(CanalFtpTest, SecurityNegotiationFailureHasItsOwnMessage)
{
    TestFtpServer serveur;
    Parametrer(serveur);
    client_.SetTlsRequired(true);
    EXPECT_FALSE(canal_.ConnexionFTP());
    ASSERT_EQ(vue_.messages.size(), 1);
    const QString prefixe = QStringLiteral("Impossible de se connecter au serveur FTP. Erreur ");
    EXPECT_TRUE(vue_.messages[0].startsWith(prefixe)) << qPrintable(vue_.messages[0]);
    EXPECT_GT(vue_.messages[0].size(), prefixe.size());
    EXPECT_FALSE(client_.Connected());
}

} // namespace

// The server drops the session in the middle of an upload: one message with the client's
// text, the prepared file untouched, and closing the connection afterwards is quiet.
TEST_F(CanalFtpTest, UploadCutOffByTheServerIsReportedOnceAndTheCloseIsQuiet)
{
    TestFtpServer serveur;
    Parametrer(serveur);
    const QByteArray contenu(3 * 1024 * 1024, 'r');
    Ecrire(preparation_ + QStringLiteral("remise.xml"), contenu);

    ASSERT_TRUE(canal_.ConnexionFTP());
    EXPECT_FALSE(canal_.EnvoiParFtp(preparation_ + QStringLiteral("remise.xml"),
                                    QStringLiteral("remise.drop")));
    EXPECT_TRUE(canal_.DeconnexionFTP());
    ASSERT_EQ(vue_.messages.size(), 1) << qPrintable(vue_.messages.join('\n'));
    const QString prefixe =
        QStringLiteral("Une erreur est survenue (TFicheCordalis::EnvoiParFtp): ");
    EXPECT_TRUE(vue_.messages[0].startsWith(prefixe)) << qPrintable(vue_.messages[0]);
    EXPECT_GT(vue_.messages[0].size(), prefixe.size());
    EXPECT_EQ(Lire(preparation_ + QStringLiteral("remise.xml")), contenu);
    EXPECT_FALSE(client_.Connected());
    ASSERT_TRUE(serveur.waitForLog(QStringLiteral("disconnect")));
}

// A server that stops reading in the middle of an upload: the channel's upload message with
// the client's text once the stall time-out has passed, instead of a program frozen for ever.
TEST_F(CanalFtpTest, StalledUploadFailsWithTheUploadMessage)
{
    TestFtpServer serveur;
    Parametrer(serveur);
    // More than the sockets' buffers hold, so that the sending side has to wait.
    const QByteArray contenu(48 * 1024 * 1024, 'r');
    Ecrire(preparation_ + QStringLiteral("remise.xml"), contenu);
    client_.SetStallTimeout(2);

    ASSERT_TRUE(canal_.ConnexionFTP());
    QElapsedTimer chrono;
    chrono.start();
    EXPECT_FALSE(canal_.EnvoiParFtp(preparation_ + QStringLiteral("remise.xml"),
                                    QStringLiteral("remise.stall")));
    EXPECT_LT(chrono.elapsed(), 30000);
    canal_.DeconnexionFTP();
    ASSERT_EQ(vue_.messages.size(), 1) << qPrintable(vue_.messages.join('\n'));
    EXPECT_TRUE(vue_.messages[0].startsWith(
        QStringLiteral("Une erreur est survenue (TFicheCordalis::EnvoiParFtp): ")))
        << qPrintable(vue_.messages[0]);
    EXPECT_TRUE(
        vue_.messages[0].contains(QStringLiteral("aucune donnée envoyée depuis 2 secondes")))
        << qPrintable(vue_.messages[0]);
    EXPECT_FALSE(client_.Connected());
}
