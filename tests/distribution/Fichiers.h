#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

// Writes a whole file for a test (prepared files, settings files).
inline void Ecrire(const QString& chemin, const QByteArray& contenu)
{
    QFile fichier(chemin);
    ASSERT_TRUE(fichier.open(QIODevice::WriteOnly | QIODevice::Truncate)) << qPrintable(chemin);
    ASSERT_EQ(fichier.write(contenu), contenu.size());
}

// A file's content, or "<absent>" when it cannot be read.
inline QByteArray Lire(const QString& chemin)
{
    QFile fichier(chemin);
    if (!fichier.open(QIODevice::ReadOnly))
        return QByteArray("<absent>");
    return fichier.readAll();
}
