#include "ExportTestSupport.h"

#include "Regional.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QXmlStreamReader>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>

namespace {
Attributs AttributsDe(const QXmlStreamReader& lecteur)
{
    Attributs resultat;
    for (const QXmlStreamAttribute& a : lecteur.attributes())
        resultat.append({a.name().toString(), a.value().toString()});
    return resultat;
}
} // namespace

ExportLu LireExport(const QString& chemin)
{
    ExportLu lu;
    QProcess xmllint;
    xmllint.start(QStringLiteral("xmllint"), {QStringLiteral("--noout"), chemin});
    if (!xmllint.waitForFinished(30000) || xmllint.exitStatus() != QProcess::NormalExit ||
        xmllint.exitCode() != 0) {
        ADD_FAILURE() << "xmllint refuses " << qPrintable(chemin) << ": "
                      << xmllint.readAllStandardError().constData();
        return lu;
    }
    lu.Valide = true;

    QFile fichier(chemin);
    if (!fichier.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot open " << qPrintable(chemin);
        return lu;
    }
    QXmlStreamReader lecteur(&fichier);
    int profondeur = 0;
    while (!lecteur.atEnd()) {
        switch (lecteur.readNext()) {
        case QXmlStreamReader::StartDocument:
            lu.Encodage = lecteur.documentEncoding().toString();
            break;
        case QXmlStreamReader::StartElement: {
            ++profondeur;
            const QString nom = lecteur.name().toString();
            if (profondeur == 1) {
                lu.Racine = nom;
            } else if (profondeur == 2) {
                lu.Enfants << nom;
                if (nom == QLatin1String("Version"))
                    lu.Version = AttributsDe(lecteur);
                else if (nom == QLatin1String("Configuration"))
                    lu.Configuration = AttributsDe(lecteur);
                else if (nom == QLatin1String("Lignes"))
                    lu.AvecLignes = true;
            } else if (profondeur == 3 && nom == QLatin1String("Ligne")) {
                lu.Lignes.append(AttributsDe(lecteur));
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            --profondeur;
            break;
        default:
            break;
        }
    }
    if (lecteur.hasError())
        ADD_FAILURE() << "cannot read " << qPrintable(chemin) << ": "
                      << qPrintable(lecteur.errorString());
    return lu;
}

QList<ParadoxColumn> ColonnesPerso()
{
    return {{QStringLiteral("Libelle"), FieldKind::Alpha, 50},
            {QStringLiteral("Interne"), FieldKind::Alpha, 10},
            {QStringLiteral("Groupe"), FieldKind::Short},
            {QStringLiteral("Famille"), FieldKind::Alpha, 2},
            {QStringLiteral("Modele"), FieldKind::Alpha, 2},
            {QStringLiteral("Fournisseur"), FieldKind::Alpha, 2},
            {QStringLiteral("Produit"), FieldKind::Alpha, 2},
            {QStringLiteral("Photo"), FieldKind::Memo, 20},
            {QStringLiteral("Detail"), FieldKind::Memo, 20},
            {QStringLiteral("Xml"), FieldKind::Memo, 20},
            {QStringLiteral("DetailCache"), FieldKind::Memo, 20},
            {QStringLiteral("Flag"), FieldKind::Short}};
}

void ExportTest::SetUp()
{
    ASSERT_TRUE(dir_.isValid());
    base_ = dir_.filePath(QStringLiteral("QuillfenAdministration")) + QLatin1Char('/');
    preparer_ = dir_.filePath(QStringLiteral("preparer")) + QLatin1Char('/');
    ini_ = dir_.filePath(QStringLiteral("Cordalis.ini"));
    ASSERT_TRUE(QDir().mkpath(base_));
    ASSERT_TRUE(QDir().mkpath(preparer_));
    tables_ = std::make_unique<TablesSiege>(base_);
    Regional::SetClock([] { return QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)); });
}

void ExportTest::TearDown()
{
    Regional::SetClock({});
}

ContexteExport ExportTest::Contexte() const
{
    ContexteExport contexte;
    contexte.DossierPreparation = preparer_;
    contexte.FichierIni = ini_;
    contexte.Tables = tables_->PourExport();
    contexte.Proprietaire = QCoreApplication::instance();
    return contexte;
}

bool ExportTest::UneTableOuverte() const
{
    const TablesSiege& t = *tables_;
    for (const TTable* table :
         {&t.Remise, &t.Fns, &t.Perso, &t.Message, &t.MessageType, &t.MesDocs, &t.MesDocsType})
        if (table->Active())
            return true;
    return false;
}

void ExportTest::Ecrire(const QString& chemin, const QByteArray& contenu)
{
    QFile fichier(chemin);
    ASSERT_TRUE(fichier.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(fichier.write(contenu), contenu.size());
}

QByteArray ExportTest::Lire(const QString& chemin)
{
    QFile fichier(chemin);
    if (!fichier.open(QIODevice::ReadOnly))
        return QByteArray();
    return fichier.readAll();
}

void ExportTest::Vieillir(const QString& chemin, int secondes, long nanosecondes)
{
    timespec maintenant{};
    clock_gettime(CLOCK_REALTIME, &maintenant);
    timespec temps[2];
    temps[0] = maintenant;
    temps[1].tv_sec = maintenant.tv_sec - secondes;
    temps[1].tv_nsec = nanosecondes;
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(chemin).constData(), temps, 0), 0)
        << qPrintable(chemin);
}
