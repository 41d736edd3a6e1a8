// The XML wrapper on any bytes read as a report or history file: loading either succeeds or
// throws XmlError, and walking what was loaded never crashes.
#include "FuzzSupport.h"
#include "NativeXml.h"

#include "Errors.h"

#include <QObject>

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path =
        WriteFuzzFile(QStringLiteral("Rapport.xml"), reinterpret_cast<const char*>(data), size);
    static QObject owner;
    TNativeXmlQLF document(QStringLiteral("Rapport"), &owner);
    try {
        document.LoadFromFile(path);
    } catch (const XmlError&) {
        return 0;
    }
    return Walk(document.Root(), 0) < 0 ? 1 : 0;
}
