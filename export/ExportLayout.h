#pragma once

#include "TTable.h"
#include "TablesSiege.h"

#include <QString>

class TXMLNodeQLF;

// The table of a data-set key ("remise", "personnalisation", "message", "message_type",
// "mes_docs", "mes_docs_type"), compared after lowering the key; none for any other key.
TTable* TableParCle(const TablesExport& tables, const QString& cle);

// Writes the table's current row into a Ligne element: one attribute per non-NULL field, in
// the table's field order, named by the field and holding its text. A value XML cannot hold
// throws XmlError naming the table, the record (number and key values) and the field.
void EcrireLigne(TTable& table, TXMLNodeQLF& ligne);

// As EcrireLigne, but a non-NULL field named exactly nomChamp is written with texteForce
// instead of its own text. A NULL field of that name still gives no attribute.
void EcrireLigneForcee(TTable& table, TXMLNodeQLF& ligne, const QString& nomChamp,
                       const QString& texteForce);

// The local date and time now, as the 14 digits yyyyMMddHHmmss.
QString Horodatage();
