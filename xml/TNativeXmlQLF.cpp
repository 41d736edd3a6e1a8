#include "TNativeXmlQLF.h"

#include "AtomicFile.h"
#include "Conversions.h"
#include "Errors.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QStringEncoder>
#include <algorithm>
#include <charconv>
#include <cstring>
#include <libxml/entities.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlsave.h>
#include <limits>
#include <utility>

namespace {

const char kEncoding[] = "windows-1252";

// Bigger files are refused before reading: reports and exports are far smaller.
constexpr qint64 kMaxFileSize = 512LL * 1024 * 1024;
// The most text that internal entities of a loaded file may expand to, all references
// together. Without this bound, one entity repeated many times (the "quadratic blowup")
// would make a few hundred kilobytes read back as gigabytes.
constexpr qint64 kMaxEntityExpansion = 16LL * 1024 * 1024;

const xmlChar* Xml(const QByteArray& utf8)
{
    return reinterpret_cast<const xmlChar*>(utf8.constData());
}

QString Text(const xmlChar* text)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(text));
}

// Owns a string that libxml2 allocated.
struct XmlString
{
    xmlChar* value;
    explicit XmlString(xmlChar* v) : value(v) {}
    ~XmlString() { xmlFree(value); }
    XmlString(const XmlString&) = delete;
    XmlString& operator=(const XmlString&) = delete;
};

// Owns a parsed document until it is handed over.
struct DocGuard
{
    xmlDocPtr doc;
    explicit DocGuard(xmlDocPtr d) : doc(d) {}
    ~DocGuard() { xmlFreeDoc(doc); }
    DocGuard(const DocGuard&) = delete;
    DocGuard& operator=(const DocGuard&) = delete;
    xmlDocPtr release() { return std::exchange(doc, nullptr); }
};

void InitLibrary()
{
    static const bool done = [] {
        xmlInitParser();
        return true;
    }();
    (void)done;
}

// While it lives, libxml2 reports its errors here instead of printing them, and no
// external entity or DTD can be fetched, from the network or from a local file.
class LibraryGuard
{
public:
    LibraryGuard()
        : previousContext_(xmlStructuredErrorContext), previousHandler_(xmlStructuredError),
          previousLoader_(xmlGetExternalEntityLoader())
    {
        InitLibrary();
        xmlSetStructuredErrorFunc(this, &LibraryGuard::Collect);
        xmlSetExternalEntityLoader(&LibraryGuard::RefuseEntity);
    }
    ~LibraryGuard()
    {
        xmlSetStructuredErrorFunc(previousContext_, previousHandler_);
        xmlSetExternalEntityLoader(previousLoader_);
    }
    LibraryGuard(const LibraryGuard&) = delete;
    LibraryGuard& operator=(const LibraryGuard&) = delete;

    // The first error libxml2 reported, with its line when it has one.
    QString FirstError() const { return firstError_; }
    // Whether that error was the parser's lookup limit (see LoadFromFile).
    bool HugeInputLookup() const { return hugeInputLookup_; }
    void Reset()
    {
        firstError_.clear();
        hugeInputLookup_ = false;
    }

private:
    static void Collect(void* context, xmlErrorPtr error)
    {
        auto* self = static_cast<LibraryGuard*>(context);
        if (!error || error->level < XML_ERR_ERROR || !self->firstError_.isEmpty())
            return;
        QString text = QString::fromUtf8(error->message ? error->message : "").trimmed();
        if (error->line > 0)
            text += QStringLiteral(" (ligne %1)").arg(error->line);
        self->firstError_ = text;
        self->hugeInputLookup_ = error->code == XML_ERR_INTERNAL_ERROR && error->message &&
                                 strstr(error->message, "Huge input lookup");
    }
    static xmlParserInputPtr RefuseEntity(const char*, const char*, xmlParserCtxtPtr)
    {
        return nullptr;
    }

    void* previousContext_;
    xmlStructuredErrorFunc previousHandler_;
    xmlExternalEntityLoader previousLoader_;
    QString firstError_;
    bool hugeInputLookup_ = false;
};

[[noreturn]] void Fail(const QString& fileName, const QString& what)
{
    throw XmlError(QStringLiteral("%1 : %2").arg(QDir::toNativeSeparators(fileName), what));
}

// Converts a text to NUL-terminated UTF-8 in a buffer kept from call to call: building an
// export sets millions of attributes, and two allocations per call show in its time. The
// result is valid until the next conversion into the same buffer.
const xmlChar* ToUtf8(QStringView text, QByteArray& buffer)
{
    QStringEncoder encoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    buffer.resize(encoder.requiredSpace(text.size()) + 1);
    char* end = encoder.appendToBuffer(buffer.data(), text);
    *end = '\0';
    return reinterpret_cast<const xmlChar*>(buffer.constData());
}

QByteArray& NameBuffer()
{
    static QByteArray buffer;
    return buffer;
}

QByteArray& ValueBuffer()
{
    static QByteArray buffer;
    return buffer;
}

// A name must be a valid XML name that the windows-1252 file can hold as it is: libxml2
// would otherwise write a character reference inside the name, which no parser accepts.
// Returns it in UTF-8 (in NameBuffer).
const xmlChar* CheckedName(const QString& name)
{
    bool encodable = true;
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u >= 0x80 && u < 0xA0)
            encodable = false;
        else if (u > 0xFF && u != 0x0152 && u != 0x0153 && u != 0x0160 && u != 0x0161 &&
                 u != 0x0178 && u != 0x017D && u != 0x017E && u != 0x0192)
            encodable = false;
    }
    const xmlChar* utf8 = ToUtf8(name, NameBuffer());
    if (!encodable || name.isEmpty() || xmlValidateName(utf8, 0) != 0)
        throw XmlError(QStringLiteral("« %1 » n'est pas un nom XML correct").arg(name));
    return utf8;
}

void CheckValue(const QString& name, const QString& value)
{
    const qsizetype at = FirstForbiddenCharacter(value);
    if (at >= 0)
        throw XmlError(QStringLiteral("La valeur de l'attribut « %1 » contient un caractère "
                                      "interdit en XML (%2)")
                           .arg(name, CodePointText(value.at(at))));
}

// The name a DOM gives an element: its prefix, if any, then its local name.
bool NameIs(const xmlNode* node, const QByteArray& name)
{
    if (node->type != XML_ELEMENT_NODE)
        return false;
    if (node->ns && node->ns->prefix)
        return xmlStrQEqual(node->ns->prefix, node->name, Xml(name)) != 0;
    return xmlStrEqual(node->name, Xml(name)) != 0;
}

// How much text the internal entities referenced by a loaded document expand to.
class EntityBudget
{
public:
    // False once the expansion goes past the bound.
    bool Walk(const xmlNode* node)
    {
        for (; node; node = node->next) {
            if (node->type == XML_ENTITY_REF_NODE) {
                total_ += ExpandedSize(reinterpret_cast<const xmlEntity*>(node->children));
            } else if (node->type == XML_ELEMENT_NODE) {
                for (const xmlAttr* attr = node->properties; attr; attr = attr->next) {
                    if (!Walk(attr->children))
                        return false;
                }
                if (!Walk(node->children))
                    return false;
            }
            if (total_ > kMaxEntityExpansion)
                return false;
        }
        return true;
    }

private:
    qint64 ExpandedSize(const xmlEntity* entity)
    {
        if (!entity)
            return 0;
        if (const auto known = sizes_.constFind(entity); known != sizes_.constEnd())
            return *known;
        sizes_.insert(entity, 0); // the parser refuses loops; this only guards against one
        qint64 size = 0;
        for (const xmlNode* child = entity->children; child; child = child->next)
            size += SubtreeSize(child);
        sizes_.insert(entity, size);
        return size;
    }
    qint64 SubtreeSize(const xmlNode* node)
    {
        if (node->type == XML_ENTITY_REF_NODE)
            return ExpandedSize(reinterpret_cast<const xmlEntity*>(node->children));
        qint64 size = node->content ? xmlStrlen(node->content) : 0;
        if (node->type == XML_ELEMENT_NODE) {
            for (const xmlAttr* attr = node->properties; attr; attr = attr->next) {
                for (const xmlNode* child = attr->children; child; child = child->next)
                    size += SubtreeSize(child);
            }
            for (const xmlNode* child = node->children; child; child = child->next)
                size += SubtreeSize(child);
        }
        return std::min(size, kMaxEntityExpansion + 1);
    }

    QHash<const xmlEntity*, qint64> sizes_;
    qint64 total_ = 0;
};

// Collects the output of a save in memory.
int AppendToBuffer(void* context, const char* data, int size)
{
    static_cast<QByteArray*>(context)->append(data, size);
    return size;
}

int CloseBuffer(void*)
{
    return 0;
}

// Feeds the parser from an open file.
int ReadFromFile(void* context, char* buffer, int size)
{
    const qint64 read = static_cast<QFile*>(context)->read(buffer, size);
    return read < 0 ? -1 : static_cast<int>(read);
}

int CloseNothing(void*)
{
    return 0;
}

// Set while a parse runs: whether the document declared an entity.
bool* gDeclaresEntities = nullptr;
entityDeclSAXFunc gDefaultEntityDecl = nullptr;

void NoteEntityDecl(void* ctx, const xmlChar* name, int type, const xmlChar* publicId,
                    const xmlChar* systemId, xmlChar* content)
{
    if (gDeclaresEntities)
        *gDeclaresEntities = true;
    gDefaultEntityDecl(ctx, name, type, publicId, systemId, content);
}

struct ParserContext
{
    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    ~ParserContext() { xmlFreeParserCtxt(ctxt); }
    ParserContext() = default;
    ParserContext(const ParserContext&) = delete;
    ParserContext& operator=(const ParserContext&) = delete;
};

// Parses the file from its start. No network, no DTD loading, no entity substitution, no
// XInclude: a file from outside reaches nothing beyond itself.
xmlDocPtr Parse(QFile& file, const QByteArray& url, bool lifted, bool& declaresEntities)
{
    if (!file.seek(0))
        return nullptr;
    ParserContext parser;
    if (!parser.ctxt || !parser.ctxt->sax)
        return nullptr;
    gDefaultEntityDecl = parser.ctxt->sax->entityDecl;
    parser.ctxt->sax->entityDecl = &NoteEntityDecl;
    gDeclaresEntities = &declaresEntities;
    const int options = XML_PARSE_NONET | (lifted ? XML_PARSE_HUGE : 0);
    xmlDocPtr doc = xmlCtxtReadIO(parser.ctxt, &ReadFromFile, &CloseNothing, &file, url.constData(),
                                  nullptr, options);
    gDeclaresEntities = nullptr;
    return doc;
}

} // namespace

QString CodePointText(QChar character)
{
    return QStringLiteral("U+") +
           QString::number(character.unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

qsizetype FirstForbiddenCharacter(const QString& value)
{
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char16_t u = value.at(i).unicode();
        if ((u < 0x20 && u != 0x09 && u != 0x0A && u != 0x0D) || u == 0xFFFE || u == 0xFFFF)
            return i;
    }
    return -1;
}

// ---------------------------------------------------------------------------------------
// TXMLNodeQLF

std::unique_ptr<TXMLNodeQLF> TXMLNodeQLF::AddChild(const QString& name)
{
    const xmlChar* utf8 = CheckedName(name);
    if (!node_)
        return nullptr;
    if (node_->type == XML_DOCUMENT_NODE) {
        if (xmlDocGetRootElement(reinterpret_cast<xmlDocPtr>(node_)))
            throw XmlError(QStringLiteral("Impossible d'ajouter « %1 » : le document a déjà "
                                          "un élément racine")
                               .arg(name));
    } else if (node_->type != XML_ELEMENT_NODE) {
        throw XmlError(QStringLiteral("Impossible d'ajouter « %1 » à un nœud qui n'est pas un "
                                      "élément")
                           .arg(name));
    }
    xmlNodePtr child = xmlNewDocNode(node_->doc, nullptr, utf8, nullptr);
    if (!child)
        return nullptr;
    if (!xmlAddChild(node_, child)) {
        xmlFreeNode(child);
        return nullptr;
    }
    return std::make_unique<TXMLNodeQLF>(owner_, child);
}

std::unique_ptr<TXMLNodeQLF> TXMLNodeQLF::FindChild(const QString& name) const
{
    if (!node_)
        return nullptr;
    const QByteArray utf8 = name.toUtf8();
    for (xmlNodePtr child = node_->children; child; child = child->next) {
        if (NameIs(child, utf8))
            return std::make_unique<TXMLNodeQLF>(owner_, child);
    }
    return nullptr;
}

namespace {

void SetProperty(xmlNodePtr node, const QString& name, const xmlChar* utf8Name,
                 const xmlChar* utf8Value)
{
    if (!node || node->type != XML_ELEMENT_NODE)
        throw XmlError(
            QStringLiteral("Impossible de poser l'attribut « %1 » hors d'un élément").arg(name));
    // xmlSetProp stores the text as it is; the save escapes what needs escaping.
    if (!xmlSetProp(node, utf8Name, utf8Value))
        throw XmlError(QStringLiteral("Impossible de poser l'attribut « %1 »").arg(name));
}

} // namespace

void TXMLNodeQLF::SetAttribute(const QString& name, const QString& value)
{
    const xmlChar* utf8Name = CheckedName(name);
    CheckValue(name, value);
    SetProperty(node_, name, utf8Name, ToUtf8(value, ValueBuffer()));
}

void TXMLNodeQLF::SetAttribute(const QString& name, int value)
{
    char digits[16] = {};
    std::to_chars(digits, digits + sizeof(digits) - 1, value);
    SetProperty(node_, name, CheckedName(name), reinterpret_cast<const xmlChar*>(digits));
}

QString TXMLNodeQLF::ReadAttribute(const QString& name, const QString& def) const
{
    if (!node_ || node_->type != XML_ELEMENT_NODE)
        return def;
    const QByteArray utf8 = name.toUtf8();
    for (xmlAttrPtr attr = node_->properties; attr; attr = attr->next) {
        const bool match = (attr->ns && attr->ns->prefix)
                               ? xmlStrQEqual(attr->ns->prefix, attr->name, Xml(utf8)) != 0
                               : xmlStrEqual(attr->name, Xml(utf8)) != 0;
        if (match) {
            const XmlString text(xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(attr)));
            return text.value ? Text(text.value) : QString();
        }
    }
    return def;
}

int TXMLNodeQLF::ReadAttributeInt(const QString& name, int def) const
{
    return StrToIntDef(ReadAttribute(name, QString()), def);
}

QString TXMLNodeQLF::Value() const
{
    if (!node_)
        return QString();
    const XmlString text(xmlNodeGetContent(node_));
    return text.value ? Text(text.value) : QString();
}

void TXMLNodeQLF::ChildrenByName(const QString& name, TXMLNodeListQLF& list) const
{
    if (!node_)
        return;
    const QByteArray utf8 = name.toUtf8();
    for (xmlNodePtr child = node_->children; child; child = child->next) {
        if (NameIs(child, utf8))
            list.Add(std::make_unique<TXMLNodeQLF>(owner_, child));
    }
}

// ---------------------------------------------------------------------------------------
// TXMLNodeListQLF

void TXMLNodeListQLF::Add(std::unique_ptr<TXMLNodeQLF> handle)
{
    if (handle)
        handles_.push_back(std::move(handle));
}

TXMLNodeQLF* TXMLNodeListQLF::NodeAt(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return handles_[static_cast<size_t>(index)].get();
}

// ---------------------------------------------------------------------------------------
// TNativeXmlQLF

TNativeXmlQLF::TNativeXmlQLF(const QString& rootName, QObject* owner)
    : owner_(owner), rootName_(rootName)
{
    InitLibrary();
    document_ = xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"));
    if (!document_)
        throw XmlError(QStringLiteral("Impossible de créer le document XML"));
    document_->encoding = xmlStrdup(reinterpret_cast<const xmlChar*>(kEncoding));
    // Element and attribute names are kept once in a dictionary rather than copied for every
    // node: an export repeats the same fifteen names a hundred thousand times.
    document_->dict = xmlDictCreate();
    docNode_ = std::make_unique<TXMLNodeQLF>(this, reinterpret_cast<xmlNodePtr>(document_));
    try {
        root_ = docNode_->FindChild(rootName);
        if (!root_)
            root_ = docNode_->AddChild(rootName);
        if (!root_)
            throw XmlError(
                QStringLiteral("Impossible de créer l'élément racine « %1 »").arg(rootName));
    } catch (...) {
        xmlFreeDoc(document_);
        throw;
    }
}

TNativeXmlQLF::~TNativeXmlQLF()
{
    root_.reset();
    docNode_.reset();
    xmlFreeDoc(document_);
}

void TNativeXmlQLF::SaveToFile(const QString& fileName)
{
    LibraryGuard guard;
    QByteArray bytes;
    xmlCharEncodingHandlerPtr encoder = xmlFindCharEncodingHandler(kEncoding);
    if (!encoder)
        Fail(fileName,
             QStringLiteral("le codage %1 n'est pas disponible").arg(QLatin1String(kEncoding)));
    xmlOutputBufferPtr output =
        xmlOutputBufferCreateIO(&AppendToBuffer, &CloseBuffer, &bytes, encoder);
    if (!output)
        Fail(fileName, QStringLiteral("mémoire insuffisante"));
    // The document always declares windows-1252, also after loading a file in another one.
    xmlFree(const_cast<xmlChar*>(document_->encoding));
    document_->encoding = xmlStrdup(reinterpret_cast<const xmlChar*>(kEncoding));
    // Takes the buffer over and closes it.
    if (xmlSaveFormatFileTo(output, document_, kEncoding, 1) < 0) {
        const QString reason = guard.FirstError();
        Fail(fileName,
             reason.isEmpty() ? QStringLiteral("échec de l'écriture du document") : reason);
    }
    QString reason;
    if (!WriteFileAtomically(fileName, bytes, &reason))
        Fail(fileName, reason);
}

void TNativeXmlQLF::LoadFromFile(const QString& fileName)
{
    // The file is read here rather than by libxml2, which would take some names for URLs,
    // and streamed: libxml2 refuses a document held whole in memory past 10 MB.
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        Fail(fileName, file.errorString());
    if (file.size() > kMaxFileSize)
        Fail(fileName, QStringLiteral("fichier trop volumineux"));

    LibraryGuard guard;
    const QByteArray url = QFile::encodeName(fileName);
    bool declaresEntities = false;
    DocGuard parsed(Parse(file, url, false, declaresEntities));
    // libxml2 2.9 gives up past 10 MB on some documents whose elements are long (an export
    // of many rows): it keeps the input unshrunk and stops at its lookup limit. Such a
    // document is read again without the size limits, but only when it declares no entity:
    // the limits also guard against entity expansion.
    if (!parsed.doc && guard.HugeInputLookup() && !declaresEntities && !file.error()) {
        guard.Reset();
        parsed.doc = Parse(file, url, true, declaresEntities);
    }
    if (file.error() != QFileDevice::NoError)
        Fail(fileName, file.errorString());
    if (!parsed.doc) {
        const QString reason = guard.FirstError();
        Fail(fileName, reason.isEmpty() ? QStringLiteral("document XML incorrect") : reason);
    }
    EntityBudget budget;
    if (!budget.Walk(parsed.doc->children))
        Fail(fileName, QStringLiteral("les entités du document se développent en un texte "
                                      "démesuré"));

    // Only now is the previous content replaced: a failed load leaves it usable.
    xmlFreeDoc(document_);
    document_ = parsed.release();
    docNode_->SetOwner(this);
    docNode_->SetNode(reinterpret_cast<xmlNodePtr>(document_));
    std::unique_ptr<TXMLNodeQLF> top = docNode_->FindChild(rootName_);
    root_->SetOwner(this);
    root_->SetNode(top ? top->Node() : reinterpret_cast<xmlNodePtr>(document_));
}
