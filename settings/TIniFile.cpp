#include "TIniFile.h"

#include "AtomicFile.h"
#include "Conversions.h"
#include "Errors.h"
#include "Windows1252.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <functional>
#include <vector>

namespace {

// Files brought over from Windows are in windows-1252, read and written back with the exact
// table of Windows1252.h (not the table layer's converter), so that a file read in
// windows-1252 is written back byte for byte.

enum class Encoding
{
    Utf8,
    Utf8Bom,
    Utf16LE,
    Utf16BE,
    Windows1252
};

// One line of the file, as read, with what it means to the private-profile rules.
struct Line
{
    enum Kind
    {
        Blank,
        Comment,
        Section,
        Key,
        Other
    };
    QString text; // the line without its line break
    Kind kind = Other;
    QString name;  // section or key name, trimmed
    QString value; // key value, trimmed
};

Line Classify(QString text)
{
    Line line;
    line.text = std::move(text);
    const QString trimmed = line.text.trimmed();
    if (trimmed.isEmpty()) {
        line.kind = Line::Blank;
    } else if (trimmed.startsWith(QLatin1Char('[')) && trimmed.contains(QLatin1Char(']'))) {
        line.kind = Line::Section;
        line.name = trimmed.mid(1, trimmed.indexOf(QLatin1Char(']')) - 1).trimmed();
    } else if (trimmed.startsWith(QLatin1Char(';'))) {
        line.kind = Line::Comment;
    } else if (const qsizetype equals = trimmed.indexOf(QLatin1Char('=')); equals >= 0) {
        line.kind = Line::Key;
        line.name = trimmed.left(equals).trimmed();
        line.value = trimmed.mid(equals + 1).trimmed();
    }
    return line;
}

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The whole file in memory: read, looked up, changed and written back in one operation.
struct IniContent
{
    bool exists = false;
    bool readable = true;
    QString readError;
    Encoding encoding = Encoding::Utf8;
#ifdef Q_OS_WIN
    bool crlf = true;
#else
    bool crlf = false;
#endif
    std::vector<Line> lines;

    static IniContent Read(const QString& fileName);
    QByteArray Serialize();

    // Index of the header of the first section of that name, or -1.
    int FindSection(const QString& section) const
    {
        for (size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].kind == Line::Section && SameName(lines[i].name, section))
                return static_cast<int>(i);
        }
        return -1;
    }
    // Index just past the last line of the section whose header is at header.
    int SectionEnd(int header) const
    {
        size_t i = header + 1;
        while (i < lines.size() && lines[i].kind != Line::Section)
            ++i;
        return static_cast<int>(i);
    }
    // Index of the first line of that key in the section, or -1.
    int FindKey(int header, const QString& key) const
    {
        const int end = SectionEnd(header);
        for (int i = header + 1; i < end; ++i) {
            if (lines[i].kind == Line::Key && SameName(lines[i].name, key))
                return i;
        }
        return -1;
    }
    const Line* Find(const QString& section, const QString& key) const
    {
        const int header = FindSection(section);
        const int index = header < 0 ? -1 : FindKey(header, key);
        return index < 0 ? nullptr : &lines[index];
    }
};

IniContent IniContent::Read(const QString& fileName)
{
    IniContent content;
    QFile file(fileName);
    if (!file.exists())
        return content;
    content.exists = true;
    QByteArray data;
    if (file.open(QIODevice::ReadOnly))
        data = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        content.readable = false;
        content.readError = file.errorString();
        return content;
    }

    QString text;
    if (data.startsWith("\xEF\xBB\xBF")) {
        content.encoding = Encoding::Utf8Bom;
        text = QString::fromUtf8(data.mid(3));
    } else if (data.startsWith("\xFF\xFE") || data.startsWith("\xFE\xFF")) {
        const bool little = data.startsWith("\xFF\xFE");
        content.encoding = little ? Encoding::Utf16LE : Encoding::Utf16BE;
        QStringDecoder decoder(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        text = decoder(data.mid(2));
    } else {
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        text = decoder(data);
        if (decoder.hasError()) {
            content.encoding = Encoding::Windows1252;
            text = DecodeWindows1252(data);
        }
    }

    if (const qsizetype firstBreak = text.indexOf(QLatin1Char('\n')); firstBreak >= 0)
        content.crlf = firstBreak > 0 && text.at(firstBreak - 1) == QLatin1Char('\r');
    QStringList rawLines = text.split(QLatin1Char('\n'));
    if (!rawLines.isEmpty() && rawLines.last().isEmpty())
        rawLines.removeLast(); // the final line break ends the last line, it opens none
    content.lines.reserve(rawLines.size());
    for (QString& raw : rawLines) {
        if (raw.endsWith(QLatin1Char('\r')))
            raw.chop(1);
        content.lines.push_back(Classify(std::move(raw)));
    }
    return content;
}

QByteArray IniContent::Serialize()
{
    QString text;
    const QLatin1String eol(crlf ? "\r\n" : "\n");
    for (const Line& line : lines) {
        text += line.text;
        text += eol;
    }
    switch (encoding) {
    case Encoding::Windows1252: {
        QByteArray bytes;
        if (EncodeWindows1252(text, bytes))
            return bytes;
        // A value the code page cannot hold: the file goes over to UTF-8 rather than lose it.
        encoding = Encoding::Utf8;
        return text.toUtf8();
    }
    case Encoding::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: {
        const bool little = encoding == Encoding::Utf16LE;
        QStringEncoder encoder(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        return QByteArray(little ? "\xFF\xFE" : "\xFE\xFF") + QByteArray(encoder(text));
    }
    case Encoding::Utf8:
        break;
    }
    return text.toUtf8();
}

bool HoldsLineBreak(const QString& text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

} // namespace

TIniFile::TIniFile(QString fileName) : fileName_(std::move(fileName)) {}

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& def) const
{
    const IniContent content = IniContent::Read(fileName_);
    const Line* line = content.Find(section, key);
    return line ? line->value : def;
}

int TIniFile::ReadInteger(const QString& section, const QString& key, int def) const
{
    const IniContent content = IniContent::Read(fileName_);
    const Line* line = content.Find(section, key);
    return line ? StrToIntDef(line->value, def) : def;
}

bool TIniFile::ReadBool(const QString& section, const QString& key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

namespace {

[[noreturn]] void FailWrite(const QString& fileName, const QString& reason)
{
    throw IniWriteError(QStringLiteral("Impossible d'écrire dans le fichier %1 : %2")
                            .arg(QDir::toNativeSeparators(fileName), reason));
}

// Reads the file again, lets change alter it and, when it did, replaces the file
// atomically. A file that exists but cannot be read is never overwritten: its content
// would be lost. The file holds passwords: created, it is readable by its owner only.
void Rewrite(const QString& fileName, const std::function<bool(IniContent&)>& change)
{
    IniContent content = IniContent::Read(fileName);
    if (!content.readable)
        FailWrite(fileName, QStringLiteral("lecture impossible (%1)").arg(content.readError));
    if (!change(content))
        return;
    QString reason;
    if (!WriteFileAtomically(fileName, content.Serialize(), &reason, NewFileAccess::OwnerOnly))
        FailWrite(fileName, reason);
}

void CheckNames(const QString& fileName, const QString& section, const QString& key,
                const QString& value)
{
    QString problem;
    if (section.trimmed().isEmpty() || HoldsLineBreak(section) ||
        section.contains(QLatin1Char(']')))
        problem = QStringLiteral("nom de section « %1 » incorrect").arg(section);
    else if (key.trimmed().isEmpty() || HoldsLineBreak(key) || key.contains(QLatin1Char('=')) ||
             key.trimmed().startsWith(QLatin1Char(';')) ||
             key.trimmed().startsWith(QLatin1Char('[')))
        problem = QStringLiteral("nom de clé « %1 » incorrect").arg(key);
    else if (HoldsLineBreak(value))
        // A line break would split the value and could forge other keys.
        problem = QStringLiteral("la valeur de « %1 » tient sur plusieurs lignes").arg(key);
    if (!problem.isEmpty())
        FailWrite(fileName, problem);
}

void WriteKey(IniContent& content, const QString& section, const QString& key, const QString& value)
{
    int header = content.FindSection(section);
    if (header < 0) {
        content.lines.push_back(Classify(QLatin1Char('[') + section.trimmed() + QLatin1Char(']')));
        header = static_cast<int>(content.lines.size()) - 1;
    }
    if (const int index = content.FindKey(header, key); index >= 0) {
        // Keep the spelling of the key already in the file.
        content.lines[index] = Classify(content.lines[index].name + QLatin1Char('=') + value);
        return;
    }
    // A new key goes after the section's last line, before the blank lines that separate it
    // from the next section.
    int at = content.SectionEnd(header);
    while (at - 1 > header && content.lines[at - 1].kind == Line::Blank)
        --at;
    content.lines.insert(content.lines.begin() + at,
                         Classify(key.trimmed() + QLatin1Char('=') + value));
}

// Every section of that name goes: erasing only the first would bring a duplicate section's
// keys back to life. False when there was none.
bool EraseSections(IniContent& content, const QString& section)
{
    bool erased = false;
    for (int header = content.FindSection(section); header >= 0;
         header = content.FindSection(section)) {
        content.lines.erase(content.lines.begin() + header,
                            content.lines.begin() + content.SectionEnd(header));
        erased = true;
    }
    return erased;
}

} // namespace

TIniFile::Changes& TIniFile::Changes::WriteString(const QString& section, const QString& key,
                                                  const QString& value)
{
    changes_.push_back({false, section, key, value});
    return *this;
}

TIniFile::Changes& TIniFile::Changes::WriteInteger(const QString& section, const QString& key,
                                                   int value)
{
    return WriteString(section, key, QString::number(value));
}

TIniFile::Changes& TIniFile::Changes::WriteBool(const QString& section, const QString& key,
                                                bool value)
{
    return WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

TIniFile::Changes& TIniFile::Changes::EraseSection(const QString& section)
{
    changes_.push_back({true, section, QString(), QString()});
    return *this;
}

void TIniFile::Apply(const Changes& changes)
{
    for (const Changes::Change& change : changes.changes_)
        if (!change.erase)
            CheckNames(fileName_, change.section, change.key, change.value);
    Rewrite(fileName_, [&changes](IniContent& content) {
        bool changed = false;
        for (const Changes::Change& change : changes.changes_) {
            if (change.erase) {
                changed = EraseSections(content, change.section) || changed;
            } else {
                WriteKey(content, change.section, change.key, change.value);
                changed = true;
            }
        }
        return changed;
    });
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    Apply(Changes().WriteString(section, key, value));
}

void TIniFile::WriteInteger(const QString& section, const QString& key, int value)
{
    Apply(Changes().WriteInteger(section, key, value));
}

void TIniFile::WriteBool(const QString& section, const QString& key, bool value)
{
    Apply(Changes().WriteBool(section, key, value));
}

bool TIniFile::SectionExists(const QString& section) const
{
    return IniContent::Read(fileName_).FindSection(section) >= 0;
}

void TIniFile::EraseSection(const QString& section)
{
    Apply(Changes().EraseSection(section));
}

void TIniFile::ReadSectionValues(const QString& section, QStringList& list) const
{
    list.clear();
    const IniContent content = IniContent::Read(fileName_);
    const int header = content.FindSection(section);
    if (header < 0)
        return;
    const int end = content.SectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        const Line& line = content.lines[i];
        if (line.kind == Line::Key)
            list << line.name + QLatin1Char('=') + line.value;
        else if (line.kind == Line::Other)
            list << line.text.trimmed(); // a line without '=' comes back whole
    }
}
