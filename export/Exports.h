#pragma once

#include "SequenceGeneration.h"

// A "Générer" action: one of the four below.
using ActionGeneration = void (*)(const ContexteExport&, VueGeneration&);

// The four "Générer" actions. Each runs the common sequence over its tables and writes its
// files into the preparation folder; errors of the table and XML layers propagate.

// remise_achat.xml from REMISES.DB: the conditions without client, of type 2, whose supplier
// is not excluded and exists in FOURNIS.DB.
void GenererRemiseAchat(const ContexteExport& contexte, VueGeneration& vue);
// personnalisation.xml from Perso.DB, every row.
void GenererPersonnalisation(const ContexteExport& contexte, VueGeneration& vue);
// message_type.xml then message.xml, the rows whose Externe is 0 or NULL.
void GenererMessages(const ContexteExport& contexte, VueGeneration& vue);
// mes_docs_type.xml then mes_docs.xml, filtered as the messages.
void GenererDocuments(const ContexteExport& contexte, VueGeneration& vue);
