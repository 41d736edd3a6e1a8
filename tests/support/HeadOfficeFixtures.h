#pragma once

#include "ParadoxWriter.h"

#include <QList>
#include <QString>
#include <QStringList>

// Head office tables for tests, benchmarks and the demo, written with the pxlib writer.

// The 51 columns of FOURNIS.DB in their order: Code (alpha 2), Nom (alpha 30), the others
// alpha 20.
QList<ParadoxColumn> FournisColumns();
// Writes FOURNIS.DB at path with one supplier per code, named "Fournisseur <code>".
void WriteFournis(const QString& path, const QStringList& codes);

// A REMISES.DB layout: Fournisseur, Client, Type and the usual condition columns.
//   Fournisseur A2, Client A10, Type Short, Famille A2, Modele A2, Libelle A40,
//   Remise1 Number, Remise2 Number, Franco Money, DateDebut Date, DateFin Date, Note Memo
QList<ParadoxColumn> RemisesColumns();
