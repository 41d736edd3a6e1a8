#pragma once

#include "ExportLayout.h"
#include "Exports.h"
#include "ParadoxWriter.h"
#include "SequenceGeneration.h"
#include "TTable.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using Attributs = QList<QPair<QString, QString>>;

// An export file as read back in its declared encoding.
struct ExportLu
{
    bool Valide = false; // xmllint accepted the file
    QString Encodage;    // from the declaration
    QString Racine;
    QStringList Enfants; // names of the root's children, in order
    Attributs Version;
    Attributs Configuration;
    bool AvecLignes = false;
    QList<Attributs> Lignes;
};

// Validates the file with xmllint, then reads it with the declared encoding.
ExportLu LireExport(const QString& chemin);

// Perso.DB as the head office may hold it: its columns in another order than the program's
// list, and one column the program does not export.
QList<ParadoxColumn> ColonnesPerso();

// Records what a generation shows on its row.
class VueEnregistree : public VueGeneration
{
public:
    void CacherImages() override
    {
        ++cachages;
        oui = false;
    }
    void FixerPosition(int p) override { position = p; }
    void FixerMaximum(int m) override { maximum = m; }
    void Avancer() override
    {
        ++position;
        ++lignesLues;
        if (apresLigne)
            apresLigne(lignesLues);
    }
    void TraiterMessages() override { ++pompages; }
    void AfficherGenererOui() override { oui = true; }

    int cachages = 0;
    int position = -1;
    int maximum = -1;
    int lignesLues = 0;
    int pompages = 0;
    bool oui = false;
    // Called after each row read, with the number of rows read so far.
    std::function<void(int)> apresLigne;
};

// A head office folder, a preparation folder and the seven tables, in a temporary folder.
// The clock is fixed at 2026-01-02 03:04:05.
class ExportTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    QString Base(const QString& nom) const { return base_ + nom; }
    QString Prep(const QString& nom) const { return preparer_ + nom; }
    QString Ini() const { return ini_; }
    ContexteExport Contexte() const;
    bool UneTableOuverte() const;

    // Writes a small text file (used for earlier exports and for the settings file).
    static void Ecrire(const QString& chemin, const QByteArray& contenu);
    static QByteArray Lire(const QString& chemin);
    // Sets the file's modification time to that long ago, as if it had not been touched
    // since: what the supplier checks have read of it may then be kept.
    static void Vieillir(const QString& chemin, int secondes, long nanosecondes = 0);

    QTemporaryDir dir_;
    QString base_;
    QString preparer_;
    QString ini_;
    std::unique_ptr<TablesSiege> tables_;
};
