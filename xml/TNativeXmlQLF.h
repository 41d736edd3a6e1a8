#pragma once

#include <QString>
#include <memory>
#include <vector>

class QObject;
struct _xmlDoc;
struct _xmlNode;

class TNativeXmlQLF;
class TXMLNodeListQLF;

// The position of the first character that XML 1.0 forbids in a value, even as a reference
// (the control characters other than tab, line feed and carriage return, and U+FFFE,
// U+FFFF); -1 when there is none. SetAttribute refuses such a value with an XmlError.
qsizetype FirstForbiddenCharacter(const QString& value);
// A character as messages name it: "U+" and four hexadecimal digits at least ("U+001F").
QString CodePointText(QChar character);

// A handle on one node of a TNativeXmlQLF document. It holds no reference on the node: it is
// valid while its document exists and until the document loads another file. Names and
// values are UTF-8 inside the program; the file on disk is windows-1252.
class TXMLNodeQLF
{
public:
    TXMLNodeQLF(TNativeXmlQLF* owner, _xmlNode* node) : owner_(owner), node_(node) {}

    // Appends a child element; a new handle owned by the caller. Throws XmlError for a name
    // that is not a valid XML name.
    std::unique_ptr<TXMLNodeQLF> AddChild(const QString& name);
    // The first child element of that name, or none.
    std::unique_ptr<TXMLNodeQLF> FindChild(const QString& name) const;

    void SetAttribute(const QString& name, const QString& value);
    void SetAttribute(const QString& name, int value);
    QString ReadAttribute(const QString& name, const QString& def) const;
    int ReadAttributeInt(const QString& name, int def) const;

    // The text of the node (for an element holding a single text, that text).
    QString Value() const;
    // Appends to list a handle on every child whose name equals name (case-sensitive), in
    // document order. The list is not emptied first.
    void ChildrenByName(const QString& name, TXMLNodeListQLF& list) const;

    TNativeXmlQLF* Owner() const { return owner_; }
    void SetOwner(TNativeXmlQLF* owner) { owner_ = owner; }
    _xmlNode* Node() const { return node_; }
    void SetNode(_xmlNode* node) { node_ = node; }

private:
    TNativeXmlQLF* owner_;
    _xmlNode* node_;
};

// A list that owns its node handles.
class TXMLNodeListQLF
{
public:
    int Count() const { return static_cast<int>(handles_.size()); }
    // A missing handle is ignored.
    void Add(std::unique_ptr<TXMLNodeQLF> handle);
    // The handle at index, or none past the end.
    TXMLNodeQLF* NodeAt(int index) const;

private:
    std::vector<std::unique_ptr<TXMLNodeQLF>> handles_;
};

// An XML document built around a named root element, or loaded from a file.
class TNativeXmlQLF
{
public:
    // owner: the component that owns the document (the application object); must be given.
    TNativeXmlQLF(const QString& rootName, QObject* owner);
    ~TNativeXmlQLF();
    TNativeXmlQLF(const TNativeXmlQLF&) = delete;
    TNativeXmlQLF& operator=(const TNativeXmlQLF&) = delete;

    // Writes the document with the declaration encoding="windows-1252", replacing the file
    // atomically. Characters outside windows-1252 become character references.
    void SaveToFile(const QString& fileName);
    // Replaces the content with the file's (no network, no external entities) and re-points
    // DocNode and Root. Throws XmlError with libxml2's text on failure.
    void LoadFromFile(const QString& fileName);

    TXMLNodeQLF* Root() const { return root_.get(); }
    TXMLNodeQLF* DocNode() const { return docNode_.get(); }
    QObject* Owner() const { return owner_; }
    QString RootName() const { return rootName_; }

private:
    std::unique_ptr<TXMLNodeQLF> docNode_;
    std::unique_ptr<TXMLNodeQLF> root_;
    QObject* owner_;
    _xmlDoc* document_ = nullptr;
    QString rootName_;
};
