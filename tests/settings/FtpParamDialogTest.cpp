// The FTP parameters dialog over real settings files and a real FTP server on 127.0.0.1.
#include "DialogTestSupport.h"
#include "Errors.h"
#include "MessageRecorder.h"
#include "TFicheFtpParam.h"
#include "TestFtpServer.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QString Section = QStringLiteral("Cordalis_FTP");

class FtpParamDialog : public ::testing::Test
{
protected:
    void fill(const TFicheFtpParam& form, const QString& login, const QString& password,
              const QString& host, const QString& port)
    {
        Child<QLineEdit>(form, "edtLogin")->setText(login);
        Child<QLineEdit>(form, "edtPassword")->setText(password);
        Child<QLineEdit>(form, "edtHost")->setText(host);
        Child<QLineEdit>(form, "edtPort")->setText(port);
    }
    QStringList edits(const TFicheFtpParam& form)
    {
        return {Child<QLineEdit>(form, "edtLogin")->text(),
                Child<QLineEdit>(form, "edtPassword")->text(),
                Child<QLineEdit>(form, "edtHost")->text(),
                Child<QLineEdit>(form, "edtPort")->text()};
    }

    IniFolder folder;
    MessageRecorder messages;
};

} // namespace

TEST_F(FtpParamDialog, FormAsDesigned)
{
    TFicheFtpParam form(nullptr, folder.ini(), Section);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Paramétrage FTP"));
    EXPECT_EQ(form.size(), QSize(377, 193));
    EXPECT_EQ(Child<QLineEdit>(form, "edtPassword")->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(Child<QLineEdit>(form, "edtHost")->geometry(), QRect(87, 72, 177, 21));
    EXPECT_EQ(Child<QPushButton>(form, "btnTestFtp")->geometry(), QRect(270, 21, 91, 94));
    EXPECT_EQ(Child<QPushButton>(form, "btnEnregistrer")->geometry(), QRect(236, 126, 125, 50));
    EXPECT_EQ(Child<QLabel>(form, "lblPwd")->text(), QStringLiteral("Mot de passe"));
    EXPECT_EQ(Child<QLabel>(form, "lblPwd")->buddy(), Child<QLineEdit>(form, "edtPassword"));
    EXPECT_EQ(Child<QLabel>(form, "lblPort")->buddy(), Child<QLineEdit>(form, "edtPort"));
    ExpectDescribed(form);
    const QStringList expected{"edtLogin", "edtPassword", "edtHost",   "btnEnregistrer",
                               "edtPort",  "cbTLS",       "btnTestFtp"};
    EXPECT_EQ(TabChain(form, "edtLogin", int(expected.size())), expected);
}

TEST_F(FtpParamDialog, LoadsTheGivenSectionWithPort21ByDefault)
{
    {
        TFicheFtpParam form(nullptr, folder.ini(), Section);
        EXPECT_EQ(edits(form), (QStringList{"", "", "", "21"}));
    }
    folder.write("[cordalis_ftp]\nlogin=siege\nMdp=p=w d\nHost=ftp.example\n"
                 "[Cordalis_Rapport]\nLogin=autre\nPort=2121\n");
    {
        TFicheFtpParam form(nullptr, folder.ini(), Section);
        EXPECT_EQ(edits(form), (QStringList{"siege", "p=w d", "ftp.example", "21"}));
    }
    folder.write("[Cordalis_FTP]\nPort=vingt\n");
    TFicheFtpParam form(nullptr, folder.ini(), Section);
    EXPECT_EQ(edits(form), (QStringList{"", "", "", "21"}));
}

TEST_F(FtpParamDialog, EmptyFieldBlocksSavingAndSpacesPass)
{
    TFicheFtpParam form(nullptr, folder.ini(), Section);
    fill(form, "siege", "", "ftp.example", "21");
    Child<QPushButton>(form, "btnEnregistrer")->click();
    EXPECT_EQ(messages.texts(),
              QStringList{QStringLiteral("Veuillez renseigner la configuration FTP")});
    EXPECT_FALSE(folder.exists());
    EXPECT_NE(form.result(), QDialog::Accepted);

    messages.clear();
    fill(form, "siege", " ", "ftp.example", " 2121");
    Child<QPushButton>(form, "btnEnregistrer")->click();
    EXPECT_TRUE(messages.texts().isEmpty());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    const TIniFile ini = folder.file();
    EXPECT_EQ(ini.ReadString(Section, "Login", ""), QStringLiteral("siege"));
    EXPECT_EQ(ini.ReadString(Section, "Host", ""), QStringLiteral("ftp.example"));
    EXPECT_EQ(ini.ReadString(Section, "Port", ""), QStringLiteral("2121"));
}

TEST_F(FtpParamDialog, PortThatIsNotAnIntegerWritesNothing)
{
    const QByteArray before = "[Cordalis_FTP]\nLogin=ancien\nMdp=x\nHost=old.example\nPort=21\n";
    folder.write(before);
    TFicheFtpParam form(nullptr, folder.ini(), Section);
    fill(form, "nouveau", "y", "new.example", "21a");
    try {
        form.btnEnregistrerClick();
        FAIL() << "no conversion error";
    } catch (const ConvertError& e) {
        EXPECT_EQ(e.text(), QStringLiteral("'21a' n'est pas une valeur entière correcte"));
    }
    EXPECT_EQ(folder.bytes(), before);
    EXPECT_NE(form.result(), QDialog::Accepted);
}

// One port rule for every user of the section: what the dialog saves, the upload channel and
// the report window accept. A number outside it gets the conversion error of a word.
TEST_F(FtpParamDialog, PortOutsideOneTo65535WritesNothing)
{
    const QByteArray before = "[Cordalis_FTP]\nLogin=ancien\nMdp=x\nHost=old.example\nPort=21\n";
    folder.write(before);
    TFicheFtpParam form(nullptr, folder.ini(), Section);
    for (const char* port : {"0", "-1", "65536", "70000", "4294967317"}) {
        fill(form, "nouveau", "y", "new.example", QString::fromLatin1(port));
        try {
            form.btnEnregistrerClick();
            ADD_FAILURE() << "no conversion error for " << port;
        } catch (const ConvertError& e) {
            EXPECT_TRUE(e.text().startsWith(QLatin1Char('\'') + QString::fromLatin1(port) +
                                            QStringLiteral("' n'est pas ")))
                << qPrintable(e.text());
        }
        EXPECT_EQ(folder.bytes(), before);
        EXPECT_NE(form.result(), QDialog::Accepted);
    }
    EXPECT_TRUE(messages.texts().isEmpty());
    fill(form, "nouveau", "y", "new.example", " 65535 ");
    form.btnEnregistrerClick();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(folder.file().ReadInteger(Section, "Port", 0), 65535);
}

TEST_F(FtpParamDialog, SuccessfulTestLeavesNoSessionOpenAndSavesNothing)
{
    TestFtpServer server;
    TFicheFtpParam form(nullptr, folder.ini(), Section);
    fill(form, server.user(), server.password(), server.host(), QString::number(server.port()));
    Child<QPushButton>(form, "btnTestFtp")->click();

    EXPECT_EQ(messages.texts(),
              QStringList{QStringLiteral("Connection établie avec le serveur FTP")});
    EXPECT_TRUE(server.waitForLog("disconnect"));
    EXPECT_EQ(server.logCount("login " + server.user()), 1);
    EXPECT_EQ(server.logCount("connect"), server.logCount("disconnect"));
    EXPECT_FALSE(folder.exists());
}

TEST_F(FtpParamDialog, FailedTestsShowTheClientText)
{
    TestFtpServer server;
    TFicheFtpParam form(nullptr, folder.ini(), Section);
    const QString prefix = QStringLiteral("Impossible de se connecter au serveur FTP. Erreur ");

    fill(form, server.user(), "mauvais", server.host(), QString::number(server.port()));
    Child<QPushButton>(form, "btnTestFtp")->click();
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts()[0].startsWith(prefix)) << qPrintable(messages.texts()[0]);
    EXPECT_GT(messages.texts()[0].size(), prefix.size());
    EXPECT_TRUE(server.waitForLog("login-failed " + server.user()));
    EXPECT_TRUE(server.waitForLog("disconnect"));
    EXPECT_EQ(server.logCount("connect"), server.logCount("disconnect"));

    // Nobody listening: the same prefix, and the dialog stays usable for another try.
    messages.clear();
    fill(form, server.user(), server.password(), server.host(),
         QString::number(TestFtpServer::UnusedPort()));
    Child<QPushButton>(form, "btnTestFtp")->click();
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts()[0].startsWith(prefix));

    messages.clear();
    fill(form, server.user(), server.password(), server.host(), QString::number(server.port()));
    Child<QPushButton>(form, "btnTestFtp")->click();
    EXPECT_EQ(messages.texts(),
              QStringList{QStringLiteral("Connection établie avec le serveur FTP")});
    EXPECT_FALSE(folder.exists());
}

TEST_F(FtpParamDialog, BadPortStopsTheTestBeforeConnecting)
{
    TestFtpServer server;
    TFicheFtpParam form(nullptr, folder.ini(), Section);
    fill(form, server.user(), server.password(), server.host(), "port");
    EXPECT_THROW(form.btnTestFtpClick(), ConvertError);
    // 70000 is an integer but no port: it must not wrap round to another port.
    for (const char* port : {"70000", "0"}) {
        fill(form, server.user(), server.password(), server.host(), QString::fromLatin1(port));
        EXPECT_THROW(form.btnTestFtpClick(), ConvertError) << port;
    }
    EXPECT_TRUE(messages.texts().isEmpty());
    EXPECT_EQ(server.logCount("connect"), 0);
}

// "Connexion chiffrée (TLS)": loaded and saved with the other fields (Certificat left as it
// is), and used by the connection test with the certificate of the file's section.
TEST_F(FtpParamDialog, TlsIsLoadedSavedAndTested)
{
    TestFtpServer::Options options;
    options.tls = true;
    TestFtpServer server(options);
    folder.write(QStringLiteral("[Cordalis_FTP]\nLogin=%1\nMdp=%2\nHost=%3\nPort=%4\nTLS=2\n"
                                "Certificat=%5\n")
                     .arg(server.user(), server.password(), server.host())
                     .arg(server.port())
                     .arg(server.caFile())
                     .toUtf8());
    {
        TFicheFtpParam form(nullptr, folder.ini(), Section);
        auto* tls = Child<QCheckBox>(form, "cbTLS");
        EXPECT_EQ(tls->text(), QStringLiteral("Connexion chiffrée (TLS)"));
        EXPECT_TRUE(tls->isChecked());
        EXPECT_GT(tls->y(), Child<QLineEdit>(form, "edtPort")->y());
        Child<QPushButton>(form, "btnTestFtp")->click();
        EXPECT_EQ(messages.texts(),
                  QStringList{QStringLiteral("Connection établie avec le serveur FTP")});
        EXPECT_EQ(server.logCount("login " + server.user()), 1);

        // Unchecked, the server refuses the clear login: not a security failure.
        messages.clear();
        tls->setChecked(false);
        Child<QPushButton>(form, "btnTestFtp")->click();
        ASSERT_EQ(messages.texts().size(), 1);
        EXPECT_FALSE(messages.texts()[0].contains(QStringLiteral("certificat")));
        Child<QPushButton>(form, "btnEnregistrer")->click();
        EXPECT_EQ(folder.file().ReadString(Section, "TLS", ""), QStringLiteral("0"));
        EXPECT_EQ(folder.file().ReadString(Section, "Certificat", ""), server.caFile());
    }
    // Without the certificate to trust: the test's message says what to do.
    folder.write(QStringLiteral("[Cordalis_FTP]\nLogin=%1\nMdp=%2\nHost=%3\nPort=%4\nTLS=1\n")
                     .arg(server.user(), server.password(), server.host())
                     .arg(server.port())
                     .toUtf8());
    messages.clear();
    TFicheFtpParam form(nullptr, folder.ini(), Section);
    EXPECT_TRUE(Child<QCheckBox>(form, "cbTLS")->isChecked());
    Child<QPushButton>(form, "btnTestFtp")->click();
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts()[0].startsWith(
        QStringLiteral("Impossible de se connecter au serveur FTP. Erreur ")));
    EXPECT_TRUE(messages.texts()[0].contains(QStringLiteral("Certificat")))
        << qPrintable(messages.texts()[0]);
    Child<QPushButton>(form, "btnEnregistrer")->click();
    EXPECT_EQ(folder.file().ReadString(Section, "TLS", ""), QStringLiteral("1"));
}
