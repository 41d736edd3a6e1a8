// The XML wrapper on any bytes read as a report or history file: loading either succeeds or
// throws XmlError; walking what was loaded, judging it as a report and reading it as a
// history (with its CSV text) either succeed or throw ConvertError for a bad date.
#include "FuzzSupport.h"
#include "TNativeXmlQLF.h"

#include "Errors.h"
#include "LigneHistorique.h"
#include "Regional.h"
#include "RegleRapport.h"

#include <QDateTime>
#include <QObject>
#include <vector>

namespace {

qsizetype Walk(const TXMLNodeQLF* node, int depth)
{
    if (!node || depth > 8)
        return 0;
    qsizetype sink = node->Value().size();
    sink += node->ReadAttribute(QStringLiteral("Etat"), QString()).size();
    sink += node->ReadAttributeInt(QStringLiteral("Etat"), 1);
    sink += node->ReadAttribute(QStringLiteral("Date"), QString()).size();
    static const QString names[] = {QStringLiteral("Item"),    QStringLiteral("General"),
                                    QStringLiteral("CDL"),     QStringLiteral("Quillfen"),
                                    QStringLiteral("Etat"),    QStringLiteral("Messages"),
                                    QStringLiteral("Message"), QStringLiteral("Date")};
    for (const QString& name : names) {
        TXMLNodeListQLF list;
        node->ChildrenByName(name, list);
        for (int i = 0; i < list.Count(); ++i)
            sink += Walk(list.NodeAt(i), depth + 1);
        if (auto child = node->FindChild(name))
            sink += child->Value().size();
    }
    return sink;
}

// What the report list and the history window make of the document.
qsizetype Judge(const TNativeXmlQLF& document)
{
    qsizetype sink = 0;
    if (const TXMLNodeQLF* root = document.Root()) {
        try {
            sink += RegleRapport::JugerRapport(root, QDateTime(QDate(2026, 12, 8), QTime(9, 0)), 3)
                        .Texte.size();
        } catch (const ConvertError&) {
        }
    }
    std::vector<LigneHistorique> lines;
    try {
        LireHistorique(document, lines);
    } catch (const ConvertError&) {
    }
    return sink + TexteCsv(lines).size();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path =
        WriteFuzzFile(QStringLiteral("Rapport.xml"), reinterpret_cast<const char*>(data), size);
    static QObject owner;
    static const bool once = [] {
        // A fixed day and French settings: the outcome depends on the input alone.
        Regional::SetLocale(QLocale(QLocale::French, QLocale::France));
        Regional::SetClock([] { return QDateTime(QDate(2026, 12, 8), QTime(12, 0)); });
        return true;
    }();
    (void)once;
    TNativeXmlQLF document(QStringLiteral("Rapport"), &owner);
    try {
        document.LoadFromFile(path);
    } catch (const XmlError&) {
        return 0;
    }
    return Walk(document.Root(), 0) + Judge(document) < 0 ? 1 : 0;
}
