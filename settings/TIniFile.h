#pragma once

#include <QString>
#include <QStringList>

// The settings file (Cordalis.ini), with the behaviour of the Windows private-profile
// functions: section and key names found without regard to case, the first occurrence of a
// duplicate section or key wins, every write reaches the disk at once (atomically: a
// temporary file beside it, then a rename), and the first write creates the file and the
// section. Booleans are written 1/0 and read as integers. A file that is valid UTF-8 is read
// as UTF-8, otherwise as windows-1252, and is written back in the encoding it was read in.
//
// Each use constructs a TIniFile on the path, reads or writes, and lets it go.
class TIniFile
{
public:
    explicit TIniFile(QString fileName);

    QString FileName() const { return fileName_; }

    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    // An absent key or a value that is not an integer gives the default.
    int ReadInteger(const QString& section, const QString& key, int def) const;
    // Read as an integer: non-zero is true.
    bool ReadBool(const QString& section, const QString& key, bool def) const;

    // Each write throws IniWriteError (naming the file) when the system refuses it.
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int value);
    void WriteBool(const QString& section, const QString& key, bool value);

    bool SectionExists(const QString& section) const;
    void EraseSection(const QString& section);
    // One "key=value" line per key of the section, in file order.
    void ReadSectionValues(const QString& section, QStringList& list) const;

private:
    QString fileName_;
};
