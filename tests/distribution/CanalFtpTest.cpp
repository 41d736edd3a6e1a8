// The FTP upload channel and the FTP send actions against a real FTP server on 127.0.0.1.

#include "CanalFtp.h"
#include "ActionsEnvoi.h"
#include "Fichiers.h"
#include "FtpClient.h"
#include "TestFtpServer.h"
#include "TestProftpdServer.h"
#include "VueEnregistree.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

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

// Reads a file of a server's folder over and over while it lives, and remembers every content
// that was neither the old nor the new one: what a franchisee downloading at that moment
// would have got.
class Lecteur
{
public:
    Lecteur(QString chemin, QByteArray ancien, QByteArray nouveau)
        : chemin_(std::move(chemin)), ancien_(std::move(ancien)), nouveau_(std::move(nouveau)),
          fil_([this] { Lire(); })
    {
    }
    ~Lecteur() { Arreter(); }
    // Stops reading; then lectures and fautes tell what was seen.
    void Arreter()
    {
        fin_ = true;
        if (fil_.joinable())
            fil_.join();
    }

    int lectures = 0;     // reads that found the file
    QList<qint64> fautes; // the sizes of the wrong contents read

private:
    void Lire()
    {
        while (!fin_) {
            QFile fichier(chemin_);
            if (!fichier.open(QIODevice::ReadOnly))
                continue; // not there for a moment: no half file either
            const QByteArray contenu = fichier.readAll();
            ++lectures;
            if (contenu != ancien_ && contenu != nouveau_)
                fautes << contenu.size();
        }
    }
    QString chemin_;
    QByteArray ancien_;
    QByteArray nouveau_;
    std::atomic<bool> fin_{false};
    std::thread fil_;
};

// The names a server's folder holds, temporary files included.
QStringList Noms(const QString& dossier)
{
    return QDir(dossier).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                   QDir::Name);
}

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
    Ecrire(ini_, Lire(ini_) + "TLS=1\n");
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

// A file being published is never seen half written under its name: the upload goes to a
// temporary name renamed over the old file, which a reader sees whole until then.
TEST_F(CanalFtpTest, PublishingNeverShowsAHalfFileUnderTheFinalName)
{
    TestFtpServer::Options options;
    options.logCommands = true;
    TestFtpServer serveur(options);
    Parametrer(serveur);
    const QByteArray ancien(4 * 1024 * 1024, 'a');
    const QByteArray nouveau(6 * 1024 * 1024 + 5, 'n');
    serveur.writeFile(QStringLiteral("remise_achat.xml"), ancien);
    Ecrire(preparation_ + QStringLiteral("remise_achat.xml"), nouveau);
    {
        Lecteur lecteur(serveur.pathOf(QStringLiteral("remise_achat.xml")), ancien, nouveau);
        EXPECT_TRUE(actions_.Envoyer(JeuDonnees::RemiseAchat, EnvoiFtp, QString(), vue_));
        lecteur.Arreter();
        EXPECT_GT(lecteur.lectures, 0);
        EXPECT_EQ(lecteur.fautes, QList<qint64>());
    }
    EXPECT_TRUE(vue_.messages.isEmpty()) << qPrintable(vue_.messages.join('\n'));
    EXPECT_EQ(serveur.readFile(QStringLiteral("remise_achat.xml")), nouveau);
    EXPECT_EQ(Noms(serveur.rootPath()), QStringList{QStringLiteral("remise_achat.xml")});
    const QStringList commandes = serveur.commands().filter(QStringLiteral("command clear S"));
    EXPECT_EQ(commandes, QStringList{QStringLiteral("command clear STOR .remise_achat.xml.part")});
    EXPECT_EQ(serveur.commands().filter(QStringLiteral("command clear RN")),
              (QStringList{QStringLiteral("command clear RNFR .remise_achat.xml.part"),
                           QStringLiteral("command clear RNTO remise_achat.xml")}));
}

// The server drops the session in the middle of the upload: the old file stays whole under its
// name, the temporary file is deleted (on a new session), and the usual upload message is shown.
TEST_F(CanalFtpTest, AnUploadCutMidwayLeavesThePreviousFileWholeAndNoTemporaryFile)
{
    TestFtpServer serveur;
    Parametrer(serveur);
    const QByteArray ancien("<ancienne version/>");
    const QByteArray nouveau(3 * 1024 * 1024, 'n');
    serveur.writeFile(QStringLiteral("remise.drop"), ancien);
    Ecrire(preparation_ + QStringLiteral("remise.xml"), nouveau);
    {
        Lecteur lecteur(serveur.pathOf(QStringLiteral("remise.drop")), ancien, ancien);
        ASSERT_TRUE(canal_.ConnexionFTP());
        EXPECT_FALSE(canal_.EnvoiParFtp(preparation_ + QStringLiteral("remise.xml"),
                                        QStringLiteral("remise.drop")));
        canal_.DeconnexionFTP();
        lecteur.Arreter();
        EXPECT_EQ(lecteur.fautes, QList<qint64>());
    }
    ASSERT_EQ(vue_.messages.size(), 1) << qPrintable(vue_.messages.join('\n'));
    EXPECT_TRUE(vue_.messages[0].startsWith(
        QStringLiteral("Une erreur est survenue (TFicheCordalis::EnvoiParFtp): ")));
    EXPECT_EQ(serveur.readFile(QStringLiteral("remise.drop")), ancien);
    EXPECT_EQ(Noms(serveur.rootPath()), QStringList{QStringLiteral("remise.drop")});
}

// An account that may not rename gets the direct upload of before, without a word, and no
// temporary file stays behind.
TEST_F(CanalFtpTest, AServerThatRefusesRenamingGetsTheDirectUpload)
{
    TestFtpServer::Options options;
    TestFtpServer::Account siege{"siege", "pw", "depot"};
    siege.mayRename = false;
    options.extraAccounts.push_back(siege);
    TestFtpServer serveur(options);
    Parametrer(serveur.host(), serveur.port(), QStringLiteral("siege"), QStringLiteral("pw"));
    serveur.writeFile(QStringLiteral("depot/personnalisation.xml"), "<ancien/>");
    Ecrire(preparation_ + QStringLiteral("personnalisation.xml"), "<nouveau/>");
    EXPECT_TRUE(actions_.Envoyer(JeuDonnees::Personnalisation, EnvoiFtp, QString(), vue_));
    EXPECT_TRUE(vue_.messages.isEmpty()) << qPrintable(vue_.messages.join('\n'));
    EXPECT_EQ(serveur.readFile(QStringLiteral("depot/personnalisation.xml")), "<nouveau/>");
    EXPECT_EQ(Noms(serveur.pathOf(QStringLiteral("depot"))),
              QStringList{QStringLiteral("personnalisation.xml")});
}

// The same against proftpd: replacing on rename, refusing to (the old file is deleted to make
// room), and a session that dies in the middle of a slow upload.
TEST_F(CanalFtpTest, PublishingOnProftpdReplacesWholeOrLeavesThePreviousFile)
{
    const QByteArray ancien(300 * 1024, 'a');
    const QByteArray nouveau(400 * 1024, 'n');
    Ecrire(preparation_ + QStringLiteral("remise_achat.xml"), nouveau);
    for (const bool remplace : {true, false}) {
        SCOPED_TRACE(remplace ? "AllowOverwrite on" : "AllowOverwrite off");
        TestProftpdServer::Options options;
        options.allowOverwrite = remplace;
        TestProftpdServer serveur(options);
        serveur.writeFile(QStringLiteral("remise_achat.xml"), ancien);
        Parametrer(serveur.host(), serveur.port(), serveur.user(), serveur.password());
        vue_.effacer();
        EXPECT_TRUE(actions_.Envoyer(JeuDonnees::RemiseAchat, EnvoiFtp, QString(), vue_));
        EXPECT_TRUE(vue_.messages.isEmpty()) << qPrintable(vue_.messages.join('\n'));
        EXPECT_EQ(serveur.readFile(QStringLiteral("remise_achat.xml")), nouveau);
        EXPECT_EQ(Noms(serveur.rootPath()), QStringList{QStringLiteral("remise_achat.xml")});
    }

    TestProftpdServer::Options options;
    options.uploadKilobytesPerSecond = 100;
    TestProftpdServer serveur(options);
    serveur.writeFile(QStringLiteral("remise_achat.xml"), ancien);
    Parametrer(serveur.host(), serveur.port(), serveur.user(), serveur.password());
    // The session dies once the temporary file has its first bytes, as in a crash.
    std::atomic<bool> fin{false};
    std::thread bourreau([&] {
        const QString temporaire = serveur.pathOf(QStringLiteral(".remise_achat.xml.part"));
        while (!fin && QFileInfo(temporaire).size() == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        serveur.killSessions();
    });
    vue_.effacer();
    {
        Lecteur lecteur(serveur.pathOf(QStringLiteral("remise_achat.xml")), ancien, ancien);
        EXPECT_FALSE(actions_.Envoyer(JeuDonnees::RemiseAchat, EnvoiFtp, QString(), vue_));
        fin = true;
        bourreau.join();
        lecteur.Arreter();
        EXPECT_GT(lecteur.lectures, 0);
        EXPECT_EQ(lecteur.fautes, QList<qint64>());
    }
    ASSERT_EQ(vue_.messages.size(), 1) << qPrintable(vue_.messages.join('\n'));
    EXPECT_TRUE(vue_.messages[0].startsWith(
        QStringLiteral("Une erreur est survenue (TFicheCordalis::EnvoiParFtp): ")));
    EXPECT_EQ(vue_.journal.last(2), QStringList({"croix rouge", "curseur normal"}));
    EXPECT_EQ(serveur.readFile(QStringLiteral("remise_achat.xml")), ancien);
    EXPECT_EQ(Noms(serveur.rootPath()), QStringList{QStringLiteral("remise_achat.xml")});
}

// TLS=1 with the server's certificate in Certificat: every file of a row is published over
// TLS, nothing but AUTH in clear text; without the certificate, or against a server without
// TLS, the connection's security message, the red cross and nothing sent.
TEST_F(CanalFtpTest, TlsPublishesEveryFileAndNeverFallsBackToClearText)
{
    TestFtpServer::Options options;
    options.tls = true;
    options.tlsRequireReuse = true;
    options.logCommands = true;
    TestFtpServer serveur(options);
    TestFtpServer::Options clair;
    clair.logCommands = true;
    TestFtpServer sansTls(clair);
    Ecrire(preparation_ + QStringLiteral("message.xml"), "messages");
    Ecrire(preparation_ + QStringLiteral("message_type.xml"), "types");
    const auto parametrer = [&](const TestFtpServer& s, const QString& certificat) {
        Ecrire(ini_, QStringLiteral("[Cordalis_FTP]\nLogin=%1\nMdp=%2\nHost=%3\nPort=%4\n"
                                    "TLS=1\nCertificat=%5\n")
                         .arg(s.user(), s.password(), s.host())
                         .arg(s.port())
                         .arg(certificat)
                         .toUtf8());
    };

    parametrer(serveur, serveur.caFile());
    EXPECT_TRUE(actions_.Envoyer(JeuDonnees::Message, EnvoiFtp, QString(), vue_));
    EXPECT_TRUE(vue_.messages.isEmpty()) << qPrintable(vue_.messages.join('\n'));
    EXPECT_EQ(serveur.readFile(QStringLiteral("message.xml")), QByteArray("messages"));
    EXPECT_EQ(serveur.readFile(QStringLiteral("message_type.xml")), QByteArray("types"));
    ASSERT_TRUE(serveur.waitForLog(QStringLiteral("disconnect"), 2));
    EXPECT_EQ(serveur.commands().filter(QStringLiteral("command clear")),
              QStringList({"command clear AUTH TLS", "command clear AUTH TLS"}));
    EXPECT_EQ(serveur.logCount(QStringLiteral("data C")), 0);
    EXPECT_EQ(serveur.logCount(QStringLiteral("data P")), 2);

    const QString prefixe = QStringLiteral("Impossible de se connecter au serveur FTP. Erreur ");
    for (const auto& [s, certificat] :
         {std::pair<const TestFtpServer*, QString>{&serveur, QString()}, {&sansTls, QString()}}) {
        parametrer(*s, certificat);
        vue_.effacer();
        EXPECT_FALSE(actions_.Envoyer(JeuDonnees::Personnalisation, EnvoiFtp, QString(), vue_));
        ASSERT_EQ(vue_.messages.size(), 1);
        EXPECT_TRUE(vue_.messages[0].startsWith(prefixe)) << qPrintable(vue_.messages[0]);
        EXPECT_EQ(vue_.journal.last(2), QStringList({"croix rouge", "curseur normal"}));
    }
    EXPECT_TRUE(sansTls.sessionLog().filter(QStringLiteral(" USER ")).isEmpty());
    EXPECT_TRUE(serveur.sessionLog().filter(QStringLiteral("STOR pers")).isEmpty());
    EXPECT_FALSE(QFile::exists(serveur.pathOf(QStringLiteral("personnalisation.xml"))));
}
