// The reports are written by the franchisees' program, and the exports read by it, in the
// head office's regional formats: the session's locale (an English desktop, a timer's LANG=C)
// must change no verdict and no byte of an export.

#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Runs a program under the given LANG alone (no LC_* or LANGUAGE overriding it).
void RunUnder(const QString& program, const QStringList& arguments, const QString& lang)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& name : environment.keys()) {
        if (name.startsWith("LC_") || name == "LANGUAGE")
            environment.remove(name);
    }
    environment.insert("LANG", lang);
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    ASSERT_TRUE(process.waitForFinished(240000)) << qPrintable(program);
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0)
        << qPrintable(lang) << ": " << process.readAllStandardError().constData();
}

} // namespace

TEST(RegionalFormats, TheSessionsLocaleChangesNoVerdictAndNoExport)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString tables = dir.filePath("tables"), reports = dir.filePath("rapports");
    // The franchisees' program writes its reports in French.
    RunUnder(DEMO_DATA_TOOL, {"--tables", tables, "--rapports", reports}, "fr_FR.UTF-8");

    const QStringList sessions = {"fr_FR.UTF-8", "C", "C.UTF-8", "en_US.UTF-8"};
    for (const QString& lang : sessions)
        RunUnder(REGIONAL_PROBE, {dir.filePath(lang), tables, reports}, lang);

    const QString reference = dir.filePath("fr_FR.UTF-8") + "/";
    const QString verdicts = QString::fromUtf8(ReadFile(reference + "verdicts.txt"));
    EXPECT_FALSE(verdicts.contains("erreur")) << qPrintable(verdicts);
    EXPECT_TRUE(verdicts.contains("|vert|Derniere mise à jour automatique effectuée le "));
    EXPECT_TRUE(verdicts.contains("|rouge|"));
    const QStringList exports =
        QDir(reference + "preparer").entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    EXPECT_EQ(exports,
              QStringList({"mes_docs.xml", "mes_docs_type.xml", "message.xml", "message_type.xml",
                           "personnalisation.xml", "remise_achat.xml"}));
    // The time of the export is the one thing that may differ.
    const QRegularExpression version("(<Version Numero=\"1.0\" Date=\")\\d{14}\"");
    const auto withoutTime = [&](const QString& path) {
        QString text = QString::fromLatin1(ReadFile(path));
        EXPECT_TRUE(text.contains(version)) << qPrintable(path);
        return text.replace(version, "\\1\"").toStdString();
    };
    for (const QString& lang : sessions.mid(1)) {
        SCOPED_TRACE(lang.toStdString());
        const QString folder = dir.filePath(lang) + "/";
        EXPECT_EQ(ReadFile(folder + "verdicts.txt").toStdString(), verdicts.toStdString());
        EXPECT_EQ(
            QDir(folder + "preparer").entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name),
            exports);
        for (const QString& name : exports)
            EXPECT_EQ(withoutTime(folder + "preparer/" + name),
                      withoutTime(reference + "preparer/" + name))
                << qPrintable(name);
    }
}
